#!/usr/bin/env python3
"""Generates the C++ wire records of one description file.

A description (``*.records``) declares records, their fields and the namespace they live in:

    # A comment runs from '#' to the end of the line.
    namespace Korvane::Schemas::Soa::_2006_03::Base
    import framework/base.records     # records of another description, usable by name

    record ErrorValue
      message      string   isset       # 'isset' adds the is-set companion
      code         int
      level        int

    record ErrorStack
      clientId     string   isset
      clientIndex  int      default -1  # the value a record holds when the field is not given
      errorValue   ErrorValue[]         # a list of records
    record ModelObject
      className    string   isset rare  # 'rare': held apart, made when first set
      uid          string
    record GetAllAttrMappingsInput      # a record may have no fields

Rules:
- ``namespace`` comes once, before any record. ``import`` paths are relative to the project root
  (the folder above the description's include prefix); imported records are used by their bare
  name and emitted fully qualified. A name defined here hides an imported one.
- ``record NAME`` starts a record at the start of a line; its fields follow on indented lines as
  ``NAME TYPE [isset] [rare] [default VALUE]``. Field names are the accessor stems exactly as
  declared; the accessors raise the first letter (``propertie`` gives ``getPropertieArray`` and
  ``addPropertie``).
- Types: ``string``, ``bool``, ``int``, ``date``, a record name, and the lists ``string[]``,
  ``double[]`` and ``RECORD[]``. ``isset`` is allowed on string, bool and int fields.
- ``default VALUE`` is allowed on int fields (a 32-bit decimal) and bool fields (``true`` or
  ``false``); without it a field defaults to 0, false, empty or the "no date" value. A new record
  holds its defaults, and ``parse`` gives a field that the element does not carry its default.
- ``rare`` is allowed on fields with ``isset`` and on lists, whose default writes nothing. The
  rare fields of a record are held together in an object of their own, made when one of them is
  first set (or read through a modifiable getter), so that the many records that set none of
  them are smaller; a const getter of an unset rare field returns its default.
- A record may not contain itself through record fields (its default value would never end);
  lists may refer to any record.

Output: a header and a source. The header declares, for every record X, the implementation
class XImpl (fields, accessors, outputXML, parse, reallyClone) and the record class X, a handle
over XImpl; the record half (X's copying, destruction and forwarders, XImpl's copy constructor
and destructor) is inline in the header, the implementation half (default constructors,
accessors, XML reading and writing, cloning) is in the source, together with the registry
``recordTypes()``. Both classes are exported (SOACAD_API, framework/visibility.h) from the
library that compiles the source; ``recordTypes()`` is not. docs/wire-format.md describes the
XML form.

Every implementation class has ``static constexpr std::size_t defaultBytes()``: the memory a new
record takes with the default records it makes. While a request's tree is read into records
(SAXToNodeParser::Reading), ``parse`` charges each record it makes, with its lists and long
strings, to the request's memory budget (Wire::charge) and tells the parser what it has read
(Wire::reach), so that the tree behind it can be freed. A list is given exactly the room of its
elements, counted before the first is read, so that no list holds or is charged spare room.

Reading is strict: an attribute or child element that the record does not declare, a second
element of a record field, text other than white space in a record's element, and an element or
attribute inside a string or double list element raise XmlParseError naming the name, the record
and the position. An attribute in a namespace
is never a field (the parser keeps its prefix). ``parse`` gives every record field and list
element a new record, since the old one
may be shared. The new records themselves are filled by the private ``parseFresh``, which parses
their nested records in place (they were made by the caller and nobody else holds them), so a
nested record is made once, not made and then replaced. Child elements are read once, in document
order, record fields included, so a fault inside one is reported before a fault in a later
sibling. Generated code of any description
reaches ``parseFresh`` through ``Wire::FreshParse``, which every generated header defines once
per translation unit.

Conversions. A skeleton's description may also say how its records cross to the service's local
records, which are plain structs of the same names (``--conversions OUT.cpp`` writes them):

    skeleton         Korvane::Services::Cad::_2007_01::StructureManagementIiopSkeleton
    skeleton-header  skeletons/structuremanagement/structure_management_iiop_skeleton.h
    local            Korvane::Soa::Cad::_2007_01::StructureManagement

    record RevisionRuleInfo   local        # has a local twin: toLocal and toWire are generated
      revRule         ModelObject
      hasValueStatu   ConfigureAttrStatusMap[]   as hasValueStatus   # the twin's name differs
    record ConfigureAttrStatusMap   map    # one entry of a local std::map
    record ExpandPSOneLevelInfo   local
      excludeFilter   string   enum BOMLineFilter   # a local enumeration, as its text

- ``skeleton``, ``skeleton-header`` (relative to the project root) and ``local`` come once each,
  all three or none, before any record. The skeleton class declares, in its header, a public
  static ``toLocal`` and ``toWire`` for every record marked ``local``, a ``toWire`` for each
  enumeration, and ``toLocalX``/``toWireX`` for each ``map`` record X; the generated source
  defines the ``local`` records' conversions, the skeleton's own source the rest.
- A ``local`` record's conversions copy every field, in wire order (every getter and setter is
  independent, so the order changes nothing), by the rules of skeletons/field_conversions.h: a
  nested record or record list through the skeleton's own toLocal and toWire, a ``ModelObject``
  as an object. A field of a ``map`` record list crosses through the skeleton's toLocalX and
  toWireX; an ``enum E`` string through toLocalE and toWire. ``as NAME`` names the twin's field.
- A ``local`` record with a ``ServiceData`` field is a response: it converts to the wire only,
  and its service data is set last (FieldConversions::setServiceData).
- A ``local`` record may hold, besides scalars and ``ModelObject``, only ``local`` records and
  lists of ``local`` or ``map`` records of its own description.

Usage: wiregen.py --description FILE --include-prefix DIR --header OUT.h --source OUT.cpp
                  [--conversions OUT.cpp] [--depfile OUT.d]
"""

import argparse
import os
import re
import sys

SCALAR_TYPES = ("string", "bool", "int", "date")
SCALAR_LIST_TYPES = ("string[]", "double[]")
ISSET_TYPES = ("string", "bool", "int")
IDENTIFIER = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*$")
NAMESPACE = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*(::[A-Za-z_][A-Za-z0-9_]*)*$")
XML_NS = "::Korvane::Soa::Common::Xml"
DATE_TYPE = "::Korvane::Soa::Common::DateTime"
BASE_NS = "::Korvane::Schemas::Soa::_2006_03::Base"
OBJECT_RECORD = BASE_NS + "::ModelObject"
SERVICE_DATA_RECORD = BASE_NS + "::ServiceData"
# The directives that tie a description's records to their local twins (see Conversions).
CONVERSION_DIRECTIVES = ("skeleton", "skeleton-header", "local")
RECORD_TWINS = ("local", "map")


class DescriptionError(Exception):
    pass


class Field:
    def __init__(self, name, type_name, isset, line, rare=False):
        self.name = name
        self.type_name = type_name  # As written, e.g. "string", "ErrorValue[]".
        self.isset = isset
        self.rare = rare  # Held in the record's object of rare fields.
        self.default = None  # The C++ text of a declared default, or None.
        self.line = line
        self.record = None  # The Record of a record field or record list, once resolved.
        self.local_name = name  # The field of the local twin (``as``).
        self.enum = None  # The local enumeration of a string field (``enum``), or None.

    @property
    def is_list(self):
        return self.type_name.endswith("[]")

    @property
    def kind(self):
        """One of string, bool, int, date, record, string[], double[], record[]."""
        if self.type_name in SCALAR_TYPES or self.type_name in SCALAR_LIST_TYPES:
            return self.type_name
        return "record[]" if self.is_list else "record"

    @property
    def upper(self):
        return self.name[0].upper() + self.name[1:]

    @property
    def member(self):
        return self.name + "_"

    @property
    def companion_member(self):
        return "is" + self.upper + "Set_"


class Record:
    def __init__(self, name, description, line):
        self.name = name
        self.description = description
        self.line = line
        self.fields = []
        self.twin = None  # "local", "map" or None: what the record is on the local side.

    @property
    def is_response(self):
        return any(f.record is not None and f.record.qualified == SERVICE_DATA_RECORD
                   for f in self.fields)

    @property
    def qualified(self):
        return "::" + self.description.namespace + "::" + self.name


class Description:
    def __init__(self, path, root):
        self.path = path
        self.root = root
        self.namespace = None
        self.imports = []  # Descriptions, in import order.
        self.import_paths = []  # Their paths relative to the root.
        self.records = []
        self.conversions = {}  # CONVERSION_DIRECTIVES -> their values, all or none.

    @property
    def relative_path(self):
        return os.path.relpath(self.path, self.root).replace(os.sep, "/")

    def fail(self, line, message):
        raise DescriptionError("%s:%d: %s" % (self.path, line, message))


def load(path, root, loading=None):
    """Reads the description at `path` and, recursively, the descriptions it imports."""
    path = os.path.abspath(path)
    loading = loading if loading is not None else {}
    if path in loading:
        if loading[path] is None:
            raise DescriptionError("%s: imports itself (import cycle)" % path)
        return loading[path]
    loading[path] = None
    description = Description(path, root)
    try:
        with open(path, encoding="utf-8") as stream:
            lines = stream.read().splitlines()
    except OSError as error:
        raise DescriptionError("%s: cannot read: %s" % (path, error))
    current = None
    for number, raw in enumerate(lines, 1):
        text = raw.split("#", 1)[0].rstrip()
        if not text.strip():
            continue
        words = text.split()
        indented = text[0] in " \t"
        if not indented:
            keyword = words[0]
            if keyword == "namespace":
                if len(words) != 2 or not NAMESPACE.match(words[1]):
                    description.fail(number, "expected 'namespace A::B::C'")
                if description.namespace is not None:
                    description.fail(number, "a second namespace")
                if description.records:
                    description.fail(number, "the namespace must come before the records")
                description.namespace = words[1]
            elif keyword == "import":
                if len(words) != 2:
                    description.fail(number, "expected 'import path/to/file.records'")
                imported = load(os.path.join(root, words[1]), root, loading)
                description.imports.append(imported)
                description.import_paths.append(words[1])
            elif keyword in CONVERSION_DIRECTIVES:
                if len(words) != 2:
                    description.fail(number, "expected '%s VALUE'" % keyword)
                if keyword in description.conversions:
                    description.fail(number, "a second '%s'" % keyword)
                if description.records:
                    description.fail(number, "'%s' must come before the records" % keyword)
                if keyword != "skeleton-header" and not NAMESPACE.match(words[1]):
                    description.fail(number, "'%s' is not a qualified C++ name" % words[1])
                description.conversions[keyword] = words[1]
            elif keyword == "record":
                if (len(words) not in (2, 3) or not IDENTIFIER.match(words[1])
                        or (len(words) == 3 and words[2] not in RECORD_TWINS)):
                    description.fail(number, "expected 'record Name [local | map]'")
                if any(r.name == words[1] for r in description.records):
                    description.fail(number, "record '%s' is declared twice" % words[1])
                current = Record(words[1], description, number)
                current.twin = words[2] if len(words) == 3 else None
                if current.twin and len(description.conversions) != len(CONVERSION_DIRECTIVES):
                    description.fail(number, "'%s' needs the directives %s"
                                     % (current.twin, ", ".join(CONVERSION_DIRECTIVES)))
                description.records.append(current)
            else:
                description.fail(number, "unknown keyword '%s' (fields must be indented)"
                                 % keyword)
            continue
        if current is None:
            description.fail(number, "a field outside any record")
        options = field_options(description, number, words)
        name, type_name = words[0], words[1]
        if not IDENTIFIER.match(name):
            description.fail(number, "'%s' is not a usable field name" % name)
        if any(f.name == name for f in current.fields):
            description.fail(number, "field '%s' is declared twice in %s" % (name, current.name))
        field = Field(name, type_name, "isset" in options, number, "rare" in options)
        default = options.get("default")
        field.local_name = options.get("as", name)
        field.enum = options.get("enum")
        if ("as" in options or "enum" in options) and current.twin != "local":
            description.fail(number, "'as' and 'enum' are allowed in 'local' records only")
        if field.enum is not None and type_name != "string":
            description.fail(number, "'enum' is allowed on string fields only")
        if field.isset and type_name not in ISSET_TYPES:
            description.fail(number, "'isset' is allowed on string, bool and int fields only")
        if field.rare and not (field.isset or field.is_list):
            description.fail(number, "'rare' is allowed on fields with 'isset' and on lists only")
        if default is not None:
            field.default = parse_default(description, number, type_name, default)
        current.fields.append(field)
    if description.namespace is None:
        description.fail(1, "no namespace")
    if description.conversions and len(description.conversions) != len(CONVERSION_DIRECTIVES):
        description.fail(1, "the directives %s come all three or none"
                         % ", ".join(CONVERSION_DIRECTIVES))
    loading[path] = description
    resolve(description)
    return description


def field_options(description, number, words):
    """The options behind a field's name and type: the flags ``isset`` and ``rare`` (True) and
    the named values ``default``, ``as`` and ``enum``, each at most once."""
    options = {}
    rest = words[2:]
    while rest:
        if rest[0] in ("isset", "rare") and rest[0] not in options:
            options[rest[0]], rest = True, rest[1:]
        elif rest[0] in ("default", "as", "enum") and len(rest) >= 2 and rest[0] not in options:
            if rest[0] != "default" and not IDENTIFIER.match(rest[1]):
                break
            options[rest[0]], rest = rest[1], rest[2:]
        else:
            break
    if len(words) < 2 or rest:
        description.fail(number, "expected 'name type [isset] [rare] [default value] "
                         "[as local-name] [enum Enumeration]'")
    return options


def parse_default(description, number, type_name, text):
    """The C++ text of a declared default, checked against the field's type."""
    if type_name == "bool" and text in ("true", "false"):
        return text
    if type_name == "int" and re.match(r"^-?[0-9]+$", text) and -2**31 <= int(text) < 2**31:
        return str(int(text)) if int(text) != -2**31 else "(-2147483647 - 1)"
    if type_name not in ("bool", "int"):
        description.fail(number, "'default' is allowed on int and bool fields only")
    description.fail(number, "'%s' is not a %s value" % (text, type_name))


def resolve(description):
    """Binds record-typed fields to their records and checks names and by-value cycles."""
    visible = {}
    for imported in description.imports:
        for record in imported.records:
            visible[record.name] = record
    for record in description.records:
        visible[record.name] = record
    for record in description.records:
        for field in record.fields:
            if field.kind in ("record", "record[]"):
                target = field.type_name[:-2] if field.is_list else field.type_name
                if not IDENTIFIER.match(target):
                    description.fail(field.line, "'%s' is not a type" % field.type_name)
                if target not in visible:
                    description.fail(field.line, "unknown type '%s' (types: string, bool, int, "
                                     "date, string[], double[], a record, a record list)"
                                     % field.type_name)
                field.record = visible[target]
        check_member_names(record)
    for record in description.records:
        check_value_cycle(record, [])
        if record.twin == "local":
            check_twin_fields(record)


def check_twin_fields(record):
    """A ``local`` record's fields must each have a rule to cross by (see Conversions)."""
    for field in record.fields:
        target = field.record
        if target is None or target.qualified == OBJECT_RECORD:
            continue
        if target.qualified == SERVICE_DATA_RECORD and not field.is_list:
            continue
        own = target.description is record.description
        if own and (target.twin == "local" or (target.twin == "map" and field.is_list)):
            continue
        record.description.fail(field.line, "%s.%s: %s has no local twin (mark it 'local', or "
                                "'map' for a list of map entries)"
                                % (record.name, field.name, field.type_name))


def check_member_names(record):
    methods = {}
    members = {}

    def claim(table, name, field):
        if name in table:
            record.description.fail(field.line, "'%s' of %s clashes with field '%s'"
                                    % (name, record.name, table[name].name))
        table[name] = field

    for field in record.fields:
        for method in accessor_names(field):
            claim(methods, method, field)
        claim(members, field.member, field)
        if field.isset:
            claim(members, field.companion_member, field)
    for field in record.fields:
        if field.member == RARE_MEMBER and any(f.rare for f in record.fields):
            record.description.fail(field.line, "'%s' clashes with the object of rare fields"
                                    % field.name)
    for reserved in ("outputXML", "parse", "reallyClone", "askRefCount", "defaultBytes"):
        if reserved in methods:
            record.description.fail(methods[reserved].line, "'%s' is a reserved name" % reserved)


def accessor_names(field):
    upper = field.upper
    if field.is_list:
        return ["get%sArray" % upper, "set%sArray" % upper, "add%s" % upper]
    names = ["get" + upper, "set" + upper]
    if field.isset:
        names += ["is%sSet" % upper, "setIs%sSet" % upper]
    return names


def check_value_cycle(record, path):
    if record in path:
        chain = " -> ".join(r.name for r in path[path.index(record):] + [record])
        record.description.fail(record.line, "records contain each other by value: %s" % chain)
    for field in record.fields:
        if field.kind == "record":
            check_value_cycle(field.record, path + [record])


# ---------------------------------------------------------------------------------------------
# C++ emission


def cpp_type(field, owner):
    """The C++ type of the field's element (lists) or value, as seen from `owner`'s namespace."""
    kind = field.kind
    if kind in ("string", "string[]"):
        return "std::string"
    if kind == "bool":
        return "bool"
    if kind == "int":
        return "int"
    if kind == "date":
        return DATE_TYPE
    if kind == "double[]":
        return "double"
    if field.record.description is owner.description:
        return field.record.name
    return field.record.qualified


def member_type(field, owner):
    element = cpp_type(field, owner)
    return "std::vector<%s>" % element if field.is_list else element


# Lets generated parse code of any description parse a record that it has just made in place
# (XImpl::parseFresh), which saves making every nested record twice. Defined identically by
# every generated header, once per translation unit.
FRESH_PARSE_HELPER = [
    "#ifndef SOACAD_WIRE_FRESH_PARSE",
    "#define SOACAD_WIRE_FRESH_PARSE",
    "namespace Korvane {",
    "namespace Soa {",
    "namespace Common {",
    "namespace Xml {",
    "namespace Wire {",
    "",
    "struct FreshParse {",
    "  // REQUIRES: `record` was made by the caller and no other handle shares its object.",
    "  template <class Record>",
    "  static void into(Record& record, const XMLNode& node) {",
    "    record.getHandleObject().parseFresh(node);",
    "  }",
    "  // Appends to `list` a new record read from `node`, charging the record with the default",
    "  // records it makes, and the growth of the list (see Wire::charge).",
    "  template <class Record>",
    "  static void append(std::vector<Record>& list, const XMLNode& node) {",
    "    using Impl = std::remove_reference_t<decltype(std::declval<Record&>().getHandleObject())>;",
    "    makeRoom(list, 1, node);",
    "    charge(node, Impl::defaultBytes());",
    "    list.emplace_back();",
    "    into(list.back(), node);",
    "  }",
    "};",
    "",
    "}  // namespace Wire",
    "}  // namespace Xml",
    "}  // namespace Common",
    "}  // namespace Soa",
    "}  // namespace Korvane",
    "#endif",
]


def name_constant(name):
    return "kName_" + name


def accessor_declarations(field, owner):
    """(signature, forwarding call) pairs, in the order the record class declares them."""
    upper = field.upper
    kind = field.kind
    value = cpp_type(field, owner)
    result = []
    if field.is_list:
        result.append(("const std::vector<%s>& get%sArray() const" % (value, upper),
                       "return getHandleObject().get%sArray();" % upper))
        result.append(("void set%sArray(const std::vector<%s>& values)" % (upper, value),
                       "getHandleObject().set%sArray(values);" % upper))
        result.append(("void add%s(const %s& value)" % (upper, value),
                       "getHandleObject().add%s(value);" % upper))
        return result
    if kind in ("string", "record"):
        result.append(("%s& get%s()" % (value, upper), "return getHandleObject().get%s();" % upper))
        # A rare field is read through the object's const getter, which makes nothing.
        holder = ("static_cast<const %sImpl&>(getHandleObject())" % owner.name if field.rare
                  else "getHandleObject()")
        result.append(("const %s& get%s() const" % (value, upper),
                       "return %s.get%s();" % (holder, upper)))
        result.append(("void set%s(const %s& value)" % (upper, value),
                       "getHandleObject().set%s(value);" % upper))
    elif kind in ("bool", "int"):
        result.append(("%s get%s() const" % (value, upper),
                       "return getHandleObject().get%s();" % upper))
        result.append(("void set%s(%s value)" % (upper, value),
                       "getHandleObject().set%s(value);" % upper))
    elif kind == "date":
        result.append(("%s get%s()" % (value, upper), "return getHandleObject().get%s();" % upper))
        result.append(("void set%s(%s value)" % (upper, value),
                       "getHandleObject().set%s(value);" % upper))
    if field.isset:
        result.append(("bool is%sSet() const" % upper,
                       "return getHandleObject().is%sSet();" % upper))
        result.append(("void setIs%sSet(bool value)" % upper,
                       "getHandleObject().setIs%sSet(value);" % upper))
    return result


def implementation_bodies(field, owner):
    """(signature, body lines) of the implementation accessors of one field."""
    if field.rare:
        return rare_bodies(field, owner)
    upper = field.upper
    member = field.member
    value = cpp_type(field, owner)
    kind = field.kind
    result = []
    if field.is_list:
        result.append(("const std::vector<%s>& get%sArray() const" % (value, upper),
                       ["return %s;" % member]))
        result.append(("void set%sArray(const std::vector<%s>& values)" % (upper, value),
                       ["%s = values;" % member]))
        result.append(("void add%s(const %s& value)" % (upper, value),
                       ["%s.push_back(value);" % member]))
        return result
    set_companion = ["%s = true;" % field.companion_member] if field.isset else []
    if kind in ("string", "record"):
        result.append(("%s& get%s()" % (value, upper), ["return %s;" % member]))
        result.append(("const %s& get%s() const" % (value, upper), ["return %s;" % member]))
        result.append(("void set%s(const %s& value)" % (upper, value),
                       ["%s = value;" % member] + set_companion))
    elif kind in ("bool", "int"):
        result.append(("%s get%s() const" % (value, upper), ["return %s;" % member]))
        result.append(("void set%s(%s value)" % (upper, value),
                       ["%s = value;" % member] + set_companion))
    elif kind == "date":
        result.append(("%s get%s()" % (value, upper), ["return %s;" % member]))
        result.append(("void set%s(%s value)" % (upper, value), ["%s = value;" % member]))
    if field.isset:
        result.append(("bool is%sSet() const" % upper, ["return %s;" % field.companion_member]))
        result.append(("void setIs%sSet(bool value)" % upper,
                       ["%s = value;" % field.companion_member]))
    return result


RARE_MEMBER = "rare_"


def rare_fields(record):
    return [f for f in record.fields if f.rare]


def default_value(field, owner):
    """The C++ expression of a scalar field's default."""
    if field.default is not None:
        return field.default
    return {"bool": "false", "int": "0"}.get(field.kind, "%s()" % cpp_type(field, owner))


def rare_bodies(field, owner):
    """The accessors of a field held in the record's object of rare fields (RARE_MEMBER): a
    modifiable getter or a setter makes that object, a const getter of a field that was never set
    returns the default (a list setter or companion setter that stores the default makes
    nothing)."""
    upper = field.upper
    member = field.member
    value = cpp_type(field, owner)
    held = "%s.get()" % RARE_MEMBER
    made = "%s.make()" % RARE_MEMBER
    result = []
    if field.is_list:
        whole = "std::vector<%s>" % value
        result.append(("const %s& get%sArray() const" % (whole, upper),
                       ["return %s != nullptr ? %s->%s : %s::Wire::none<%s>();"
                        % (held, held, member, XML_NS, whole)]))
        result.append(("void set%sArray(const %s& values)" % (upper, whole),
                       ["if (%s != nullptr || !values.empty()) {" % held,
                        "  %s.%s = values;" % (made, member), "}"]))
        result.append(("void add%s(const %s& value)" % (upper, value),
                       ["%s.%s.push_back(value);" % (made, member)]))
        return result
    companion = field.companion_member
    setter = ["Rare& rare = %s;" % made, "rare.%s = value;" % member, "rare.%s = true;" % companion]
    if field.kind == "string":
        result.append(("std::string& get%s()" % upper, ["return %s.%s;" % (made, member)]))
        result.append(("const std::string& get%s() const" % upper,
                       ["return %s != nullptr ? %s->%s : %s::Wire::none<std::string>();"
                        % (held, held, member, XML_NS)]))
        result.append(("void set%s(const std::string& value)" % upper, setter))
    else:
        result.append(("%s get%s() const" % (value, upper),
                       ["return %s != nullptr ? %s->%s : %s;"
                        % (held, held, member, default_value(field, owner))]))
        result.append(("void set%s(%s value)" % (upper, value), setter))
    result.append(("bool is%sSet() const" % upper,
                   ["return %s != nullptr && %s->%s;" % (held, held, companion)]))
    result.append(("void setIs%sSet(bool value)" % upper,
                   ["if (%s != nullptr || value) {" % held,
                    "  %s.%s = value;" % (made, companion), "}"]))
    return result


def emit_members(fields, owner, write, indent):
    for field in fields:
        initial = {"bool": " = false", "int": " = 0"}.get(field.kind, "")
        if field.default is not None:
            initial = " = " + field.default
        write("%s%s %s%s;" % (indent, member_type(field, owner), field.member, initial))
        if field.isset:
            write("%sbool %s = false;" % (indent, field.companion_member))


def qualify(signature, class_name):
    """Inserts `class_name::` before the function name of a declaration."""
    match = re.match(r"^(.*?)(\w+)\((.*)$", signature)
    return "%s%s::%s(%s" % (match.group(1), class_name, match.group(2), match.group(3))


def open_namespace(namespace):
    return ["namespace %s {" % part for part in namespace.split("::")]


def close_namespace(namespace):
    return ["}  // namespace %s" % part for part in reversed(namespace.split("::"))]


def include_of(relative_description):
    folder, file_name = os.path.split(relative_description)
    stem = os.path.splitext(file_name)[0]
    return (folder + "/" if folder else "") + stem + "_records.h"


def emit_header(description):
    out = []
    write = out.append
    write("// Generated by tools/wiregen.py from %s; do not edit." % description.relative_path)
    write("#pragma once")
    write("")
    write("#include <cstddef>")
    write("#include <string>")
    write("#include <type_traits>")
    write("#include <utility>")
    write("#include <vector>")
    write("")
    write('#include "framework/date_time.h"')
    write('#include "framework/handle.h"')
    write('#include "framework/visibility.h"')
    write('#include "framework/wire_support.h"')
    for path in description.import_paths:
        write('#include "%s"' % include_of(path))
    write("")
    out.extend(FRESH_PARSE_HELPER)
    write("")
    out.extend(open_namespace(description.namespace))
    write("")
    for record in description.records:
        write("class %sImpl;" % record.name)
    write("")
    write("// The records registered in this description, with samples, for tests and fuzzing.")
    write("const std::vector<%s::WireRecordType>& recordTypes();" % XML_NS)

    for record in description.records:
        name = record.name
        impl = name + "Impl"
        base = "%s::Handle<%s>" % (XML_NS, impl)
        write("")
        write("// A handle sharing one %s; copies share it, the last one frees it." % impl)
        write("class SOACAD_API %s : public %s {" % (name, base))
        write(" public:")
        write("  // A record over a new implementation object with default field values.")
        write("  %s();" % name)
        write("  %s(const %s& other) : %s(other), extraWord_(other.extraWord_) {}" % (name, name, base))
        write("  %s& operator=(const %s& other) {" % (name, name))
        write("    %s::operator=(other);" % base)
        write("    extraWord_ = other.extraWord_;")
        write("    return *this;")
        write("  }")
        write("  virtual ~%s() {}" % name)
        for field in record.fields:
            for signature, _ in accessor_declarations(field, record):
                write("  %s;" % signature)
        write("  void outputXML(%s::XmlStream& stream, const std::string& elementName) const;"
              % XML_NS)
        write("  void parse(const %s::XMLNode& node);" % XML_NS)
        write("")
        write(" protected:")
        write("  // Adopts an object that no handle holds yet (count 0), such as a reallyClone "
              "result.")
        write("  explicit %s(%s* adopted) : %s(adopted) {}" % (name, impl, base))
        write("")
        write(" private:")
        write("  friend struct %s::Wire::FreshParse;" % XML_NS)
        write("  friend struct %s::Wire::ListWriter;" % XML_NS)
        write("")
        write("  int extraWord_ = 0;  // Per handle; copied along, read nowhere.")
        write("};")

    for record in description.records:
        name = record.name
        impl = name + "Impl"
        write("")
        write("class SOACAD_API %s : public %s::BaseObject {" % (impl, XML_NS))
        write(" public:")
        write("  %s();" % impl)
        write("  // Shares the record fields and list elements of `other` (handle copies); the")
        write("  // BaseObject part, count included, is copied as it stands.")
        write("  %s(const %s& other) = default;" % (impl, impl))
        write("  %s& operator=(const %s&) = delete;" % (impl, impl))
        write("  virtual ~%s() {}" % impl)
        write("  // A heap copy with count 0 that shares inner records as the copy constructor does.")
        write("  %s* reallyClone() const override;" % impl)
        write("  // The memory a new object takes with the default records it makes.")
        write("  static constexpr std::size_t defaultBytes();")
        for field in record.fields:
            for signature, _ in implementation_bodies(field, record):
                write("  %s;" % signature)
        write("  void outputXML(%s::XmlStream& stream, const std::string& elementName) const;"
              % XML_NS)
        write("  // Fetch this object's fields, and what its record fields and lists hold `depth` "
              "levels")
        write("  // down, ahead of writing them (see Wire::ListWriter).")
        if record.fields:
            plain = [f for f in record.fields if not f.rare]
            first = plain[0].member if plain else RARE_MEMBER
            write("  void prefetchSelf() const {")
            write("    %s::Wire::prefetchBytes(&%s, this + 1);" % (XML_NS, first))
            write("  }")
        else:
            write("  void prefetchSelf() const {}")
        write("  void prefetchFields(int depth) const;")
        write("  void parse(const %s::XMLNode& node);" % XML_NS)
        write("")
        write(" private:")
        write("  friend struct %s::Wire::FreshParse;" % XML_NS)
        write("")
        write("  // parse() for an object that no other handle has seen yet and whose fields all hold")
        write("  // their defaults: record fields and list elements are parsed in place.")
        write("  void parseFresh(const %s::XMLNode& node);" % XML_NS)
        rare = rare_fields(record)
        if rare:
            write("")
            write("  // The fields that few records set, made when one of them is first set.")
            write("  struct Rare {")
            emit_members(rare, record, write, "    ")
            write("  };")
        if record.fields:
            write("")
            emit_members([f for f in record.fields if not f.rare], record, write, "  ")
        if rare:
            write("  %s::Wire::OnDemand<Rare> %s;" % (XML_NS, RARE_MEMBER))
        write("};")

    write("")
    write("// What a new record takes in the wire pool, with the default records it makes.")
    for record in description.records:
        impl = record.name + "Impl"
        parts = ["%s::WirePool::slotBytes(sizeof(%s))" % (XML_NS, impl)]
        for field in record.fields:
            if field.kind == "record":
                parts.append("%sImpl::defaultBytes()" % cpp_type(field, record))
        write("constexpr std::size_t %s::defaultBytes() {" % impl)
        write("  return %s;" % " + ".join(parts))
        write("}")

    write("")
    write("// Forwarders of the record classes (no null test: a record always has its object).")
    for record in description.records:
        name = record.name
        for field in record.fields:
            for signature, call in accessor_declarations(field, record):
                write("inline %s { %s }" % (qualify(signature, name), call))
        write("inline void %s::outputXML(%s::XmlStream& stream, const std::string& elementName) "
              "const { getHandleObject().outputXML(stream, elementName); }" % (name, XML_NS))
        write("inline void %s::parse(const %s::XMLNode& node) { getHandleObject().parse(node); }"
              % (name, XML_NS))
    write("")
    out.extend(close_namespace(description.namespace))
    return "\n".join(out) + "\n"


def cpp_string_literal(text, width=80):
    """`text` (UTF-8) as adjacent C++ string literals of about `width` columns each."""
    pieces = []
    current = ""
    for byte in text.encode("utf-8"):
        char = chr(byte)
        if char == '"' or char == "\\":
            piece = "\\" + char
        elif 0x20 <= byte < 0x7F:
            piece = char
        else:
            piece = "\\%03o" % byte
        current += piece
        # Lines end after a tag or a space where possible, so entities stay whole.
        if len(current) >= 2 * width or (char in "> " and len(current) >= width):
            pieces.append('"%s"' % current)
            current = ""
    if current or not pieces:
        pieces.append('"%s"' % current)
    return pieces


def emit_source(description, header_include):
    out = []
    write = out.append
    write("// Generated by tools/wiregen.py from %s; do not edit." % description.relative_path)
    write('#include "%s"' % header_include)
    write("")
    out.extend(open_namespace(description.namespace))
    write("")
    names = sorted({field.name for record in description.records for field in record.fields})
    write("namespace {")
    write("")
    write("// Element and attribute names, made once so that writing and reading never build them.")
    for name in names:
        write('const std::string %s("%s");' % (name_constant(name), name))
    write("")
    write("}  // namespace")
    for record in description.records:
        emit_record_source(record, write)
    write("")
    write("const std::vector<%s::WireRecordType>& recordTypes() {" % XML_NS)
    write("  static const std::vector<%s::WireRecordType> types = {" % XML_NS)
    for record in description.records:
        literal = cpp_string_literal(sample_document(record))
        write('      {"%s", &%s::Wire::reparse<%s>,' % (record.name, XML_NS, record.name))
        for index, piece in enumerate(literal):
            write("       %s%s" % (piece, "}," if index == len(literal) - 1 else ""))
    write("  };")
    write("  return types;")
    write("}")
    write("")
    out.extend(close_namespace(description.namespace))
    return "\n".join(out) + "\n"


def emit_record_source(record, write):
    name = record.name
    impl = name + "Impl"
    write("")
    write("// %s" % name)
    write("")
    write("%s::%s() : %s::Handle<%s>(new %s()) {}" % (name, name, XML_NS, impl, impl))
    write("")
    write("%s::%s() = default;" % (impl, impl))
    write("")
    write("%s* %s::reallyClone() const {" % (impl, impl))
    write("  %s* copy = new %s(*this);" % (impl, impl))
    write("  copy->resetRefCount();")
    write("  return copy;")
    write("}")
    for field in record.fields:
        for signature, body in implementation_bodies(field, record):
            write("")
            write("%s {" % qualify(signature, impl))
            for line in body:
                write("  " + line)
            write("}")

    attributes = [f for f in record.fields if f.kind in SCALAR_TYPES]
    children = [f for f in record.fields if f.kind not in SCALAR_TYPES]
    write("")
    write("void %s::outputXML(%s::XmlStream& stream, const std::string& elementName) const {"
          % (impl, XML_NS))
    write("  stream.startElement(elementName);")
    if rare_fields(record):
        # Rare fields are written in declaration order with the others, from their object when
        # it is made; without it each holds its default, which writes nothing.
        write("  const Rare* const rare = %s.get();" % RARE_MEMBER)
    for field in attributes:
        member = ("rare->" if field.rare else "") + field.member
        statement = "stream.attribute(%s, %s);" % (name_constant(field.name), member)
        if field.rare:
            write("  if (rare != nullptr && rare->%s) {" % field.companion_member)
            write("    " + statement)
            write("  }")
        elif field.isset:
            write("  if (%s) {" % field.companion_member)
            write("    " + statement)
            write("  }")
        else:
            write("  " + statement)
    for field in children:
        constant = name_constant(field.name)
        member = ("rare->" if field.rare else "") + field.member
        indent = "  "
        if field.rare:
            write("  if (rare != nullptr) {")
            indent = "    "
        if field.kind == "record":
            write("%s%s.outputXML(stream, %s);" % (indent, member, constant))
        elif field.kind in ("string[]", "double[]"):
            write("%sfor (const %s& item : %s) {" % (indent, cpp_type(field, record), member))
            write("%s  stream.textElement(%s, item);" % (indent, constant))
            write("%s}" % indent)
        else:
            write("%s%s::Wire::ListWriter::write(stream, %s, %s);"
                  % (indent, XML_NS, constant, member))
        if field.rare:
            write("  }")
    write("  stream.endElement();")
    write("}")

    write("")
    write("void %s::prefetchFields(int depth) const {" % impl)
    fetched = [f for f in children if f.kind in ("record", "record[]") and not f.rare]
    rare_fetched = [f for f in children if f.kind in ("record", "record[]") and f.rare]
    if not fetched and not rare_fields(record):
        write("  static_cast<void>(depth);")
    for field in fetched:
        helper = "prefetch" if field.kind == "record" else "prefetchFirst"
        write("  %s::Wire::ListWriter::%s(%s, depth);" % (XML_NS, helper, field.member))
    if rare_fields(record):
        # The object of rare fields is one level further down, like a record field: fetched
        # itself first, then what its lists hold.
        write("  if (const Rare* rare = %s.get()) {" % RARE_MEMBER)
        write("    if (depth == 0) {")
        write("      %s::Wire::prefetchBytes(rare, rare + 1);" % XML_NS)
        if rare_fetched:
            write("    } else {")
            for field in rare_fetched:
                helper = "prefetch" if field.kind == "record" else "prefetchFirst"
                write("      %s::Wire::ListWriter::%s(rare->%s, depth - 1);"
                      % (XML_NS, helper, field.member))
        write("    }")
        write("  }")
    write("}")

    emit_parse(record, impl, fresh=False, write=write)
    emit_parse(record, impl, fresh=True, write=write)


def emit_parse(record, impl, fresh, write):
    """parse (every field reset; record fields and list elements become new records) or
    parseFresh (the object and its record fields are new and at their defaults: they are parsed
    in place). Child elements are read in document order, each once, and each is first reached
    (Wire::reach); what a record makes is charged (Wire::charge). Whatever the record does not
    declare is refused."""
    name = record.name
    attributes = [f for f in record.fields if f.kind in SCALAR_TYPES]
    children = [f for f in record.fields if f.kind not in SCALAR_TYPES]
    write("")
    function = "parseFresh" if fresh else "parse"
    write("void %s::%s(const %s::XMLNode& node) {" % (impl, function, XML_NS))
    if not fresh and rare_fields(record):
        write("  %s.reset();" % RARE_MEMBER)
    if attributes:
        write("  std::size_t attributesRead = 0;")
    for field in attributes:
        constant = name_constant(field.name)
        target = ("rare." if field.rare else "") + field.member
        if field.kind == "string":
            call = "%s::Wire::readString(node, %s, %s)" % (XML_NS, constant, target)
        else:
            reader = {"bool": "readBool", "int": "readInt", "date": "readDate"}[field.kind]
            extra = ", " + field.default if field.default is not None else ""
            call = '%s::Wire::%s(node, "%s", %s, %s%s)' % (XML_NS, reader, name, constant,
                                                           target, extra)
        if field.rare:
            # The object of rare fields is made only for an attribute that is there.
            write("  if (node.attr(%s) != nullptr) {" % constant)
            write("    Rare& rare = %s.make(node);" % RARE_MEMBER)
            write("    rare.%s = %s;" % (field.companion_member, call))
            write("    ++attributesRead;")
            write("  }")
        elif field.isset:
            write("  %s = %s;" % (field.companion_member, call))
            write("  attributesRead += %s ? 1 : 0;" % field.companion_member)
        else:
            write("  attributesRead += %s ? 1 : 0;" % call)
    known = "{%s}" % ", ".join('"%s"' % f.name for f in attributes)
    count = "attributesRead" if attributes else "0"
    write("  if (node.attributes().size != %s) {" % count)
    write('    %s::Wire::refuseUnknownAttribute(node, "%s", %s);' % (XML_NS, name, known))
    write("  }")
    write("  if (!node.text().empty()) {")
    write('    %s::Wire::refuseNonSpaceText(node, "%s");' % (XML_NS, name))
    write("  }")
    if not children:
        write("  if (!node.children().empty()) {")
        write('    %s::Wire::refuseUnknownElement(*node.children().front(), "%s");'
              % (XML_NS, name))
        write("  }")
        write("}")
        return
    lists = [f for f in children if f.kind != "record"]
    for field in children:
        if field.kind == "record":
            write("  bool seen%s = false;" % field.upper)
            if not fresh:
                element = cpp_type(field, record)
                write("  %s::Wire::charge(node, %sImpl::defaultBytes());" % (XML_NS, element))
                write("  %s fresh%s;" % (element, field.upper))
        elif not fresh and not field.rare:
            write("  %s.clear();" % field.member)
    if len(lists) == 1 and len(children) == 1:
        # The only child kind: every child is likely an element of this list.
        only = lists[0]
        if only.rare:
            write("  if (!node.children().empty()) {")
            write("    %s::Wire::makeRoom(%s.make(node).%s, node.children().size(), node);"
                  % (XML_NS, RARE_MEMBER, only.member))
            write("  }")
        else:
            write("  %s::Wire::makeRoom(%s, node.children().size(), node);"
                  % (XML_NS, only.member))
    elif lists:
        # Each list takes exactly the room of its elements, counted before any is read, so
        # that a list holds (and is charged) no spare room.
        for field in lists:
            write("  std::size_t %sCount = 0;" % field.name)
        write("  for (const %s::XMLNode* child : node.children()) {" % XML_NS)
        write("    const std::string& childName = child->name();")
        for index, field in enumerate(lists):
            keyword = "if" if index == 0 else "} else if"
            write("    %s (childName == %s) {" % (keyword, name_constant(field.name)))
            write("      ++%sCount;" % field.name)
        write("    }")
        write("  }")
        for field in lists:
            if field.rare:
                write("  if (%sCount != 0) {" % field.name)
                write("    %s::Wire::makeRoom(%s.make(node).%s, %sCount, node);"
                      % (XML_NS, RARE_MEMBER, field.member, field.name))
                write("  }")
            else:
                write("  %s::Wire::makeRoom(%s, %sCount, node);"
                      % (XML_NS, field.member, field.name))
    write("  for (const %s::XMLNode* child : node.children()) {" % XML_NS)
    write("    %s::Wire::reach(*child);" % XML_NS)
    write("    const std::string& childName = child->name();")
    for index, field in enumerate(children):
        keyword = "if" if index == 0 else "} else if"
        write("    %s (childName == %s) {" % (keyword, name_constant(field.name)))
        member = ("%s.make(*child).%s" % (RARE_MEMBER, field.member) if field.rare
                  else field.member)
        if field.kind == "record":
            seen = "seen" + field.upper
            write("      if (%s) {" % seen)
            write('        %s::Wire::refuseRepeatedElement(*child, "%s");' % (XML_NS, name))
            write("      }")
            write("      %s = true;" % seen)
            target = field.member if fresh else "fresh" + field.upper
            write("      %s::Wire::FreshParse::into(%s, *child);" % (XML_NS, target))
        elif field.kind == "string[]":
            write('      %s::Wire::addText(%s, *child, "%s", %s);'
                  % (XML_NS, member, name, name_constant(field.name)))
        elif field.kind == "double[]":
            write('      %s::Wire::addDouble(%s, *child, "%s", %s);'
                  % (XML_NS, member, name, name_constant(field.name)))
        else:
            write("      %s::Wire::FreshParse::append(%s, *child);" % (XML_NS, member))
    write("    } else {")
    write('      %s::Wire::refuseUnknownElement(*child, "%s");' % (XML_NS, name))
    write("    }")
    write("  }")
    if not fresh:
        for field in children:
            if field.kind == "record":
                write("  %s = fresh%s;" % (field.member, field.upper))
    write("}")


# ---------------------------------------------------------------------------------------------
# Samples: every field set to a distinctive value, written exactly as outputXML writes it.

SAMPLE_INTS = (-2147483648, 2147483647, -7, 1234567890, -100000, 42)
SAMPLE_DATES = ("2007-01-31T23:59:58", "1999-12-31T00:00:01")
SAMPLE_DOUBLES = ("0.1", "-2.5e-300")


def sample_string(record, field, variant):
    return "%s.%s%d <&>\"'\t\n\r \u00e9 \u20ac \U0001F600" % (record.name, field.name, variant)


def escape(text, attribute):
    out = []
    for char in text:
        code = ord(char)
        if char == "&":
            out.append("&amp;")
        elif char == "<":
            out.append("&lt;")
        elif char == ">":
            out.append("&gt;")
        elif char == '"':
            out.append("&quot;")
        elif char == "'":
            out.append("&apos;")
        elif char == "\r":
            out.append("&#13;")
        elif char in "\t\n":
            out.append(("&#%d;" % code) if attribute else char)
        elif code < 0x20 or code in (0xFFFE, 0xFFFF) or 0xD800 <= code <= 0xDFFF:
            out.append("\ufffd")
        else:
            out.append(char)
    return "".join(out)


def sample_element(record, element_name, variant, path):
    """The sample of `record` written as `element_name`; `path` holds the enclosing records."""
    path = path + [record]
    attributes = []
    children = []
    for index, field in enumerate(record.fields):
        kind = field.kind
        name = field.name
        if kind == "string":
            attributes.append((name, escape(sample_string(record, field, variant), True)))
        elif kind == "bool":
            attributes.append((name, "true" if (index + variant) % 2 == 0 else "false"))
        elif kind == "int":
            attributes.append((name, str(SAMPLE_INTS[(index + variant) % len(SAMPLE_INTS)])))
        elif kind == "date":
            attributes.append((name, SAMPLE_DATES[variant % 2]))
        elif kind == "record":
            children.append(sample_element(field.record, name, variant, path))
        elif kind == "string[]":
            for item in range(2):
                text = escape(sample_string(record, field, item), False)
                children.append("<%s>%s</%s>" % (name, text, name))
        elif kind == "double[]":
            for item in range(2):
                children.append("<%s>%s</%s>" % (name, SAMPLE_DOUBLES[item], name))
        elif field.record not in path:  # A list of an enclosing record stays empty.
            for item in range(2):
                children.append(sample_element(field.record, name, item, path))
    start = "<" + element_name + "".join(' %s="%s"' % pair for pair in attributes)
    if not children:
        return start + "/>"
    return start + ">" + "".join(children) + "</%s>" % element_name


def sample_document(record):
    return sample_element(record, record.name, 0, [])


# ---------------------------------------------------------------------------------------------
# Conversions between the records marked ``local`` and their local twins


def to_local_statement(field):
    """The statement of toLocal that fills the twin's field from the wire record `wire`."""
    getter = "wire.get%s%s()" % (field.upper, "Array" if field.is_list else "")
    if field.record is not None and field.record.twin == "map":
        return "local.%s = toLocal%s(%s);" % (field.local_name, field.record.name, getter)
    if field.enum is not None:
        return "local.%s = toLocal%s(%s);" % (field.local_name, field.enum, getter)
    return "Fields::fromWire(local.%s, %s);" % (field.local_name, getter)


def to_wire_statement(field):
    """The statement of toWire that sets the wire record's field from the twin `local`."""
    setter = "wire.set%s%s" % (field.upper, "Array" if field.is_list else "")
    if field.record is not None and field.record.qualified == SERVICE_DATA_RECORD:
        return "Fields::setServiceData(wire, local.%s);" % field.local_name
    if field.record is not None and field.record.twin == "map":
        return "%s(toWire%s(std::move(local.%s)));" % (setter, field.record.name,
                                                        field.local_name)
    return "%s(Fields::wireValue(local.%s));" % (setter, field.local_name)


def emit_conversion(write, direction, record, statements):
    """The definition of `direction` (toLocal or toWire) for `record`: a new record of the other
    side, filled by `statements` from the argument (named `wire` or `local`)."""
    result, source = ("Local", "Wire") if direction == "toLocal" else ("Wire", "Local")
    parameter = "%s::%s" % (source, record.name)
    if statements:
        parameter += " " + source.lower()
    write("")
    write("%s::%s Skeleton::%s(%s) {" % (result, record.name, direction, parameter))
    write("  %s::%s %s;" % (result, record.name, result.lower()))
    for statement in statements:
        write("  " + statement)
    write("  return %s;" % result.lower())
    write("}")


def emit_conversions(description):
    """The source that defines the toLocal and toWire of every record marked ``local``."""
    directives = description.conversions
    skeleton_ns, skeleton = directives["skeleton"].rsplit("::", 1)
    out = []
    write = out.append
    write("// Generated by tools/wiregen.py from %s; do not edit." % description.relative_path)
    write("//")
    write("// The conversions of %s between the records marked 'local' and their" % skeleton)
    write("// local twins, field by field in wire order, by the rules of "
          "skeletons/field_conversions.h.")
    write("#include <utility>")
    write("")
    write('#include "%s"' % directives["skeleton-header"])
    write('#include "skeletons/field_conversions.h"')
    write("")
    out.extend(open_namespace(skeleton_ns))
    write("")
    write("namespace {")
    write("")
    write("namespace Wire = ::%s;" % description.namespace)
    write("using Local = ::%s;" % directives["local"])
    write("using Skeleton = ::%s;" % directives["skeleton"])
    write("using Fields = ::Korvane::Services::FieldConversions<Skeleton>;")
    write("")
    write("}  // namespace")
    for record in description.records:
        if record.twin != "local":
            continue
        if not record.is_response:
            emit_conversion(write, "toLocal", record,
                            [to_local_statement(field) for field in record.fields])
        # A response's service data is set last, after the results it describes.
        fields = sorted(record.fields, key=lambda f: f.record is not None
                        and f.record.qualified == SERVICE_DATA_RECORD)
        emit_conversion(write, "toWire", record, [to_wire_statement(field) for field in fields])
    write("")
    out.extend(close_namespace(skeleton_ns))
    return "\n".join(out) + "\n"


# ---------------------------------------------------------------------------------------------


def write_file(path, text):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "w", encoding="utf-8") as stream:
        stream.write(text)


def all_paths(description, seen=None):
    seen = seen if seen is not None else []
    if description.path not in seen:
        seen.append(description.path)
        for imported in description.imports:
            all_paths(imported, seen)
    return seen


def main(argv):
    parser = argparse.ArgumentParser(description="Generates C++ wire records.")
    parser.add_argument("--description", required=True, help="the .records file")
    parser.add_argument("--include-prefix", required=True,
                        help="the description's folder relative to the project root")
    parser.add_argument("--header", required=True, help="the header to write")
    parser.add_argument("--source", required=True, help="the source to write")
    parser.add_argument("--conversions",
                        help="the source to write with the conversions of the 'local' records")
    parser.add_argument("--depfile", help="a make-style dependency file to write")
    args = parser.parse_args(argv)

    description_path = os.path.abspath(args.description)
    folder = os.path.dirname(description_path)
    prefix = args.include_prefix.strip("/")
    root = folder
    for _ in [part for part in prefix.split("/") if part and part != "."]:
        root = os.path.dirname(root)
    try:
        description = load(description_path, root)
    except DescriptionError as error:
        print("wiregen: %s" % error, file=sys.stderr)
        return 1
    stem = os.path.splitext(os.path.basename(description_path))[0]
    header_include = (prefix + "/" if prefix and prefix != "." else "") + stem + "_records.h"
    if args.conversions and not description.conversions:
        print("wiregen: %s: --conversions needs the directives %s"
              % (description.path, ", ".join(CONVERSION_DIRECTIVES)), file=sys.stderr)
        return 1
    write_file(args.header, emit_header(description))
    write_file(args.source, emit_source(description, header_include))
    outputs = [args.header, args.source]
    if args.conversions:
        write_file(args.conversions, emit_conversions(description))
        outputs.append(args.conversions)
    if args.depfile:
        dependencies = " ".join(p.replace(" ", "\\ ") for p in all_paths(description))
        write_file(args.depfile, "%s: %s\n" % (" ".join(outputs), dependencies))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
