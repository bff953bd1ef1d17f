#!/usr/bin/env python3
"""tools/wiregen.py on small descriptions: the conversions it writes for each rule, the
descriptions it refuses, and wire records that the conversion marks leave as they were.

Usage: wiregen_test.py PROJECT_SOURCE_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE_DIR = None

DIRECTIVES = """namespace Test::Wire
import framework/base.records
skeleton         Test::Skeletons::TestSkeleton
skeleton-header  skeletons/test_skeleton.h
local            Test::Local
"""


class Generator:
    """Runs the generator on one description, written to skeletons/test.records of a scratch
    project that has the real framework/base.records."""

    def __init__(self, root):
        self.root = root
        os.makedirs(os.path.join(root, "framework"), exist_ok=True)
        os.makedirs(os.path.join(root, "skeletons"), exist_ok=True)
        shutil.copy(os.path.join(SOURCE_DIR, "framework", "base.records"),
                    os.path.join(root, "framework"))

    def run(self, text, conversions=True):
        """(exit status, stderr, {output name: text})."""
        with open(os.path.join(self.root, "skeletons", "test.records"), "w") as stream:
            stream.write(text)
        out = os.path.join(self.root, "out")
        shutil.rmtree(out, ignore_errors=True)
        command = [sys.executable, os.path.join(SOURCE_DIR, "tools", "wiregen.py"),
                   "--description", os.path.join(self.root, "skeletons", "test.records"),
                   "--include-prefix", "skeletons",
                   "--header", os.path.join(out, "test_records.h"),
                   "--source", os.path.join(out, "test_records.cpp")]
        if conversions:
            command += ["--conversions", os.path.join(out, "test_conversions.cpp")]
        done = subprocess.run(command, capture_output=True, text=True)
        outputs = {}
        for name in os.listdir(out) if os.path.isdir(out) else []:
            with open(os.path.join(out, name)) as stream:
                outputs[name] = stream.read()
        return done.returncode, done.stderr, outputs


class WiregenConversionsTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp()
        self.generator = Generator(self.scratch)

    def tearDown(self):
        shutil.rmtree(self.scratch)

    def conversions(self, records):
        status, error, outputs = self.generator.run(DIRECTIVES + records)
        self.assertEqual(status, 0, error)
        return outputs["test_conversions.cpp"]

    def test_each_field_crosses_by_the_rule_of_its_kind(self):
        text = self.conversions("""
record Entry map
  key        string
  value      bool
record Info local
  filter     string   enum Filter
  object     ModelObject
  statu      Entry[]   as status
record InfoInput
  info       Info[]
record InfoResponse local
  serviceData  ServiceData
  output     Info[]
""")
        for statement in [
                "Local::Info Skeleton::toLocal(Wire::Info wire) {",
                "  local.filter = toLocalFilter(wire.getFilter());",
                "  Fields::fromWire(local.object, wire.getObject());",
                "  local.status = toLocalEntry(wire.getStatuArray());",
                "Wire::Info Skeleton::toWire(Local::Info local) {",
                "  wire.setFilter(Fields::wireValue(local.filter));",
                "  wire.setObject(Fields::wireValue(local.object));",
                "  wire.setStatuArray(toWireEntry(std::move(local.status)));",
                "  wire.setOutputArray(Fields::wireValue(local.output));\n"
                "  Fields::setServiceData(wire, local.serviceData);\n",
                '#include "skeletons/test_skeleton.h"',
                "using Skeleton = ::Test::Skeletons::TestSkeleton;"]:
            self.assertIn(statement, text)
        # A response converts to the wire only; records without a twin and map entries have no
        # generated conversion.
        for absent in ["toLocal(Wire::InfoResponse", "InfoInput", "Skeleton::toLocal(Wire::Entry",
                       "Skeleton::toWire(Local::Entry"]:
            self.assertNotIn(absent, text)

    def test_a_record_without_fields_converts_without_naming_its_argument(self):
        text = self.conversions("record Empty local\n")
        self.assertIn("Local::Empty Skeleton::toLocal(Wire::Empty) {", text)
        self.assertIn("Wire::Empty Skeleton::toWire(Local::Empty) {", text)

    def test_descriptions_without_a_rule_for_a_field_are_refused(self):
        plain = "namespace Test::Wire\nimport framework/base.records\n"
        cases = {
            "as outside a local record": (
                DIRECTIVES + "record Plain\n  name string as other\n",
                "'as' and 'enum' are allowed in 'local' records only"),
            "enum on an int": (DIRECTIVES + "record Info local\n  count int enum Filter\n",
                               "'enum' is allowed on string fields only"),
            "a record without a twin": (
                DIRECTIVES + "record Plain\n  name string\nrecord Info local\n  plain Plain\n",
                "Info.plain: Plain has no local twin"),
            "a map that is not a list": (
                DIRECTIVES + "record Entry map\n  key string\nrecord Info local\n  entry Entry\n",
                "Info.entry: Entry has no local twin"),
            "a service data list": (DIRECTIVES + "record R local\n  serviceData ServiceData[]\n",
                                    "R.serviceData: ServiceData[] has no local twin"),
            "a directive after the records": (
                plain + "record Info\nlocal Test::Local\n",
                "'local' must come before the records"),
            "a twin without the directives": (plain + "record Info local\n",
                                              "'local' needs the directives"),
            "half the directives": (plain + "skeleton Test::Skeleton\nrecord Info\n",
                                    "come all three or none"),
            "an unknown record mark": (DIRECTIVES + "record Info remote\n",
                                       "expected 'record Name [local | map]'"),
            "an option given twice": (DIRECTIVES + "record Info local\n  name string as a as b\n",
                                      "expected 'name type [isset] [rare] [default value]"),
        }
        for case, (text, message) in cases.items():
            with self.subTest(case):
                status, error, _ = self.generator.run(text)
                self.assertEqual(status, 1)
                self.assertIn(message, error)
        status, error, outputs = self.generator.run(plain + "record Info\n")
        self.assertEqual((status, outputs), (1, {}))
        self.assertIn("--conversions needs the directives", error)

    def test_the_conversion_marks_leave_the_wire_records_as_they_were(self):
        records = """
record Entry{map}
  key        string
record Info{local}
  name       string   isset
  entry      Entry[]
  count      int      default -1
"""
        marked = self.generator.run(DIRECTIVES + records.format(map=" map", local=" local"))
        plain = self.generator.run(DIRECTIVES + records.format(map="", local=""),
                                   conversions=False)
        self.assertEqual(marked[0], 0, marked[1])
        for name in ["test_records.h", "test_records.cpp"]:
            self.assertEqual(marked[2][name], plain[2][name])


if __name__ == "__main__":
    SOURCE_DIR = os.path.abspath(sys.argv.pop(1))
    unittest.main()
