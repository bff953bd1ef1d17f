// Request documents of the StructureManagement operations, written as a client writes them, for
// the tests that send them through the service (StructureTest::send). Each names its objects by
// UID; a view type or CAD occurrence id attribute the document carries is left empty (the
// default).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace soacad_test {

// The document of `operation` (root element "<Operation>Input") with the root's `attributes`
// (each with a space before it) and `content`.
inline std::string requestOf(const std::string& operation, const std::string& attributes,
                             const std::string& content) {
  std::string root = operation + "Input";
  root[0] = static_cast<char>(root[0] - 'a' + 'A');
  return "<" + root + attributes + ">" + content + "</" + root + ">";
}

// expandPSOneLevel or expandPSAllLevels of the line `lineUid`, filtering nothing out and
// without the item revisions of the lines.
inline std::string expandRequest(const std::string& operation, const std::string& lineUid) {
  return requestOf(operation, "",
                   R"(<input excludeFilter="None"><parentBomLine uid=")" + lineUid +
                       R"("/></input><pref expItemRev="false"/>)");
}

// createBOMWindows of one window for `clientId`, `info` being the content of its info element.
inline std::string createWindowRequest(const std::string& clientId, const std::string& info) {
  return requestOf("createBOMWindows", "",
                   R"(<info clientId=")" + clientId + R"(">)" + info + "</info>");
}

// deleteAssemblyArrangements: per entry, of the revision (first) the arrangements (second).
inline std::string deleteArrangementsRequest(
    const std::vector<std::pair<std::string, std::vector<std::string>>>& infos) {
  std::string content;
  for (const auto& [revisionUid, arrangementUids] : infos) {
    content += R"(<info><itemRev uid=")" + revisionUid + R"("/>)";
    for (const std::string& uid : arrangementUids) {
      content += R"(<arrangement uid=")" + uid + R"("/>)";
    }
    content += "</info>";
  }
  return requestOf("deleteAssemblyArrangements", R"( bomViewTypeName="")", content);
}

// createOrUpdateRelativeStructure of one input on the revision `parentUid` with the children
// `childInfo` (their childInfo elements).
inline std::string relativeStructureRequest(const std::string& parentUid,
                                            const std::string& childInfo, bool complete,
                                            bool precise = false) {
  return requestOf(
      "createOrUpdateRelativeStructure",
      std::string(R"( complete=")") + (complete ? "true" : "false") + R"(" bomViewTypeName="")",
      std::string(R"(<input precise=")") + (precise ? "true" : "false") + R"("><parent uid=")" +
          parentUid + R"("/>)" + childInfo + R"(</input><pref cadOccIdAttrName=""/>)");
}

// One childInfo element of createOrUpdateRelativeStructure: the revision `revisionUid` under
// `clientId` and `cadOccId`, with `occInfo` (its occurrence data element).
inline std::string childInfo(const std::string& clientId, const std::string& cadOccId,
                             const std::string& revisionUid,
                             const std::string& occInfo = "<occInfo/>") {
  return R"(<childInfo clientId=")" + clientId + R"(" cadOccId=")" + cadOccId +
         R"("><child uid=")" + revisionUid + R"("/>)" + occInfo + "</childInfo>";
}

// createOrUpdateAbsoluteStructure of one info in the context of the revision `contextUid`,
// `info` being the rest of the info element's content.
inline std::string absoluteStructureRequest(const std::string& contextUid, const std::string& info,
                                            bool complete) {
  return requestOf(
      "createOrUpdateAbsoluteStructure",
      std::string(R"( complete=")") + (complete ? "true" : "false") + R"(" bomViewTypeName="")",
      R"(<info><contextItemRev uid=")" + contextUid + R"("/>)" + info +
          R"(</info><pref cadOccIdAttrName=""/>)");
}

}  // namespace soacad_test
