// Absolute occurrences: data of an occurrence in the context of a top assembly.
//
// An absolute occurrence (class "AbsOccurrence") is keyed by its context view revision
// ("context_bvr") and the path of occurrences from below the context down to the occurrence
// ("occurrence_path"); one exists for a key at most. It is made by the first override written
// for a line in absolute-occurrence edit mode (bom.h), or by BOM_modified_bvr there.
//
// Its data are grouped by qualifiers (class "AbsOccDataQualifier": "context_bvr" and
// "arrangement", null for the data of the view revision itself). A datum (class "AbsOccData":
// "abs_occurrence", "qualifier", "attribute_name" and "attribute_value", or for a transform
// the name "#transform" and the 16 values "transform") overrides one line attribute; an
// attachment is a relation of class "AbsOccRelation" (an "ImanRelation" whose primary object
// is the absolute occurrence, with its "qualifier"). Writes go under the qualifier of the
// window's active arrangement (unless the window ignores arrangements), else the view
// revision's; reads take that qualifier's datum, else the view revision's, else the
// occurrence's own value. Qualifiers, data and relations made or changed through a window
// are saved with it and thrown away when it closes unsaved.
//
// Every call returns a status (0 = success; on failure the code is also on the error store)
// and sets its out-arguments to their null values first. Arrays handed out are host blocks.
#pragma once

#include <string>
#include <vector>

#include "framework/visibility.h"
#include "host/object/extensions.h"
#include "host/object/structure_objects.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

// The qualifiers of absolute-occurrence data.
class AbsOccDataQualifier : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "AbsOccDataQualifier";
  using ZoltObject::ZoltObject;

  // The qualifiers of the view revision (its own and its arrangements'), oldest first.
  static int findByBvr(Tag bvr, std::vector<Tag>* qualifiers);
  // The qualifier of the arrangement's data in the view revision (null arrangement: of the view
  // revision's own data); null when it has none. Not a documented host call
  // (host/object/extensions.h).
  static int findByArrangement(Tag bvr, Tag arrangement, Tag* qualifier);
};

// Absolute-occurrence data.
class AbsOccData : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "AbsOccData";
  using ZoltObject::ZoltObject;

  // Deletes every datum and attachment of the qualifier, at once (not the qualifier itself);
  // POM_not_modifiable, with nothing deleted, when one of them may not be deleted.
  static int destroyAllForQual(Tag qualifier);
  // The absolute occurrences with data or attachments under the qualifier, each once, in tag
  // order: those whose overrides and attachments destroyAllForQual takes away. Not a documented
  // host call (host/object/extensions.h).
  static int findAbsOccsForQual(Tag qualifier, std::vector<Tag>* absOccs);
};

// Attaches `secondary` to the line's absolute occurrence (made when missing) by a relation of
// `relationType`, in the line's window and under its current qualifier. Attaching what is
// attached already changes nothing. GRM_invalid_relation_type for a type that is not one.
int BOM__line_add_absocc_relation(Tag line, Tag relationType, Tag secondary);
// The attachments of the line's absolute occurrence in the context of `contextLine` (null:
// the window's context line) under the current qualifier, of the relation type named
// `relationTypeName` (null or empty: any) and to `secondary` (null: any) (host array).
int BOM__line_ask_absocc_relation(Tag line, Tag contextLine, const char* relationTypeName,
                                  Tag secondary, int* count, Tag** relations);
// Detaches one of those attachments (deleted when the window is saved).
int BOM__line_remove_absocc_relation(Tag line, Tag contextLine, Tag relation);
// Drops the override of the attribute `name` (its name as BOM_line_look_up_attribute knows
// it) of the line in the context of `contextLine` (null: the window's context line) under the
// current qualifier. Nothing to drop is no failure.
int BOM__line_remove_absocc_property(Tag line, const char* name, Tag contextLine);
// The lines of the window that show the absolute occurrence (host array), in tag order: below
// the top line when its structure is the occurrence's context, else below every line whose
// structure is (a subassembly used twice shows it twice); none when no line shows the context or
// the path leads nowhere.
int BOM__window_get_bomlines_from_absOcc(Tag window, Tag absOcc, int* count, Tag** lines);

namespace host {

// Where a line stands for absolute-occurrence data: its window, the context view revision and
// the path from below the context line, and the arrangement of the current qualifier.
struct AbsoluteContext {
  Tag window;
  Tag bvr;
  std::vector<Tag> path;
  Tag arrangement;
};
// The context of `line` below `contextLine` (null: the window's context line, else its top
// line); false when the line is not below it or the context line has no structure.
bool absoluteContextOf(Tag line, Tag contextLine, AbsoluteContext* context);
// Whether absolute-occurrence edits apply to the line: its window is in absolute-occurrence
// edit mode and the line lies below the window's context line.
bool absoluteEditApplies(Tag line);
// The absolute occurrence of a key; null when there is none.
Tag findAbsOccurrence(Tag bvr, const std::vector<Tag>& path);
// The override of the attribute `name` (or the transform) of the line as its window reads it;
// false when there is none.
bool findOverride(Tag line, const std::string& name, std::string* value);
bool findTransformOverride(Tag line, std::vector<double>* matrix);
// Writes an override of the line (absoluteEditApplies must hold).
int writeOverride(Tag line, const std::string& name, const std::string& value);
int writeTransformOverride(Tag line, const std::vector<double>& matrix);
// The line's absolute occurrence in the window's context, made when missing.
int ensureAbsOccurrence(Tag line, Tag* absOccurrence);
// "bl_absocc_uid_in_topline_context": the UID of the line's absolute occurrence in the context
// of its window's top line; empty when there is none.
std::string absOccurrenceUidInTopLineContext(Tag line);
// POM_not_modifiable (on the error store) when one of the absolute occurrences whose path holds
// `occurrence`, or one of their data or attachments, may not be deleted; otherwise 0.
int requireAbsOccurrencesDeletable(Tag occurrence);
// Deletes the absolute occurrences whose path holds `occurrence`, with their data and
// attachments: called when the occurrence is deleted, so that nothing names it. REQUIRES:
// requireAbsOccurrencesDeletable(occurrence) answered 0.
void forgetAbsOccurrencesOf(Tag occurrence);
// The live qualifier of (bvr, arrangement); null when none.
Tag findQualifier(Tag bvr, Tag arrangement);

}  // namespace host

SOACAD_API_END
