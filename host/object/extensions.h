// Host calls that the service library makes and that the platform's documented interface does
// not name. A host that loads libsoacad.so must provide each of them, doing what its comment
// says. The library needs them to report every object a call changes or deletes besides those it
// names (the absolute occurrences and arrangements that go with a cut occurrence or a deleted
// arrangement, the occurrences a view revision made precise changed, the top line that goes with
// a closed window), to read an occurrence's data before and after a write, to set a dataset's
// tool, and to take its services out of the host's registries when it is unloaded.
//
// The C functions are declared here; the class members, which C++ declares in their class, are
// marked there with a comment naming this header:
// - AbsOccDataQualifier::findByArrangement(bvr, arrangement, &qualifier) (absocc.h): the
//   qualifier of the arrangement's absolute-occurrence data in the view revision; null when it
//   has none.
// - AbsOccData::findAbsOccsForQual(qualifier, &absOccs) (absocc.h): the absolute occurrences
//   with data or attachments under the qualifier, each once, in tag order.
// - KvServiceManager::unregisterService(name) (gateway/kv_service_manager.h) and
//   ServiceManager::unregisterService(name) (framework/iiop_skeleton.h): remove the registration
//   of a service name, so that an unloaded library leaves no service behind.
// - SAXToNodeParser::Reading (framework/sax_to_node_parser.h): the scope in which records are
//   read from the parser's tree, charging the request's memory budget and letting the parser
//   free what was read.
//
// Conventions as everywhere in the object API: each call returns a status (0 = success; on
// failure the code is also on the error store) and sets its out-arguments to their null values
// first; arrays and strings handed out are host allocations (SM_free / MEM_free).
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

// --- Property values (the object API's AOM_) ---------------------------------------------------
// Typed reads of a property's value. The property must be of the getter's value type
// (POM_wrong_value_type otherwise) and, for the single-value getters, not an array. A null
// value reads as "", 0.0, false or the null tag; the list getters give 0 elements for it.
int AOM_ask_value_string(Tag object, const char* name, char** value);
int AOM_ask_value_strings(Tag object, const char* name, int* count, char*** values);
int AOM_ask_value_double(Tag object, const char* name, double* value);
int AOM_ask_value_doubles(Tag object, const char* name, int* count, double** values);
int AOM_ask_value_logical(Tag object, const char* name, bool* value);
int AOM_ask_value_tag(Tag object, const char* name, Tag* value);

// --- Datasets (AE_) ----------------------------------------------------------------------------
// The dataset's tool; null when it has none.
int AE_ask_dataset_tool(Tag dataset, Tag* tool);
// Sets the dataset's tool. AE_invalid_tool for a tag that is not a live tool.
int AE_set_dataset_tool(Tag dataset, Tag tool);
// Whether the session holds the dataset's lock.
int AE_is_dataset_locked(Tag dataset, bool* locked);

// --- Assembly arrangements (ARR_) --------------------------------------------------------------
// The other arrangements with a used-arrangement entry that names the arrangement's anchor
// (host array, in tag order): those that lose the entry when the arrangement is deleted.
int ARR__ask_arrangements_using_arrangement(Tag arrangement, int* count, Tag** arrangements);
// The arrangements with a used-arrangement entry whose appearance path node holds `occurrence`
// (host array, in tag order): those that lose the entry when a window's save deletes the
// occurrence.
int ARR__ask_arrangements_using_occurrence(Tag occurrence, int* count, Tag** arrangements);

// --- BOM windows and absolute occurrences (BOM_) -----------------------------------------------
// The window's top line; null before one is set.
int BOM_ask_window_top_line(Tag window, Tag* topLine);
// The absolute occurrences whose path holds `occurrence`, in every context (host array, in tag
// order): those that go, with their data and attachments, when a window's save deletes the
// occurrence.
int BOM__occurrence_ask_absoccs(Tag occurrence, int* count, Tag** absOccs);

// --- BOM view revisions (PS_) ------------------------------------------------------------------
// The view revision's occurrences in their order (host array).
int PS_list_occurrences_of_bvr(Tag bvr, int* count, Tag** occurrences);

SOACAD_API_END
