#include "framework/soa_exceptions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "framework/sax_to_node_parser.h"
#include "host/object/error_store.h"
#include "tests/support/host_fixture.h"

namespace {

namespace Wire = Korvane::Schemas::Soa::_2006_03::Exceptions;
using Korvane::Soa::Common::Exceptions::DomException;
using Korvane::Soa::Common::Exceptions::ExceptionMapper;
using Korvane::Soa::Common::Xml::SAXToNodeParser;
using ServerServiceException = Korvane::Soa::Server::ServiceException;

class ExceptionsTest : public soacad_test::HostTest {};

std::string faultOf(Wire::SoaException& exception) {
  std::stringstream out;
  ExceptionMapper::writeSoaException(exception, out);
  return out.str();
}

// Copies and assignments of exceptions keep every field, and a copy is a value of its own.
TEST_F(ExceptionsTest, CopiesKeepEveryField) {
  ServerServiceException server("part failed");
  server.setDetails({"first", "second"});
  server.setCode("215022");
  server.setLevel("3");
  const Wire::ServiceException wire = server;
  EXPECT_EQ(std::make_tuple(wire.getMessage(), wire.getDetails(), wire.getCode(), wire.isCodeSet(),
                            wire.getLevel(), wire.isLevelSet(), wire.getLocalName()),
            std::make_tuple(std::string("part failed"), std::vector<std::string>{"first", "second"},
                            std::string("215022"), true, std::string("3"), true,
                            std::string("ServiceException")));

  Wire::InvalidUserException source("who?");
  source.setCode(515001);
  source.setLevel(3);
  source.setUserName("jdoe");
  Wire::InvalidUserException target;
  target = source;
  EXPECT_EQ(std::make_tuple(target.getMessage(), target.getCode(), target.getLevel(),
                            target.getUserName()),
            std::make_tuple(std::string("who?"), 515001, 3, std::string("jdoe")));

  DomException original("Invalid Enum value: itemT");
  DomException copy = original;
  original.setMessage("changed");
  EXPECT_EQ(copy.getMessage(), "Invalid Enum value: itemT");
}

// Both constructors take the failure on the error store with them, so that it neither is lost
// nor reaches a later request; the one from a message keeps its message.
TEST_F(ExceptionsTest, ServerExceptionsTakeTheErrorStoreAndEmptyIt) {
  store().setMessageTemplate(215022, "The type %1$ was not found.");
  for (const bool withMessage : {false, true}) {
    SCOPED_TRACE(withMessage);
    ERROR_store(EMH_severity_error, 7007);
    ERROR_store(EMH_severity_error, 215022, "Widget");

    const ServerServiceException exception =
        withMessage ? ServerServiceException("child-1") : ServerServiceException();

    EXPECT_EQ(exception.getMessage(), withMessage ? "child-1" : "The type Widget was not found.");
    EXPECT_EQ(exception.getCode(), "215022");
    EXPECT_EQ(exception.getLevel(), "3");
    ASSERT_EQ(exception.getDetails().size(), 2u);
    EXPECT_EQ(exception.getDetails()[1], "The type Widget was not found.");
    EXPECT_TRUE(host::errorStore().empty());
  }
}

TEST_F(ExceptionsTest, DefaultServerExceptionWithAnEmptyStoreHasTheDefaultMessage) {
  ServerServiceException exception;
  EXPECT_EQ(exception.getMessage(), ServerServiceException::kDefaultMessage);
  EXPECT_FALSE(exception.isCodeSet());
  EXPECT_TRUE(exception.getDetails().empty());
}

TEST_F(ExceptionsTest, FaultDocumentIsWellFormedAndEscaped) {
  ServerServiceException exception("a <b> & \"c\" \xC3\xA9");
  exception.addDetail("x < y");
  exception.setCode("7007");

  const std::string fault = faultOf(exception.getWireData());

  SAXToNodeParser parser;
  const auto& root = parser.parseString(fault);
  EXPECT_EQ(root.name(), "ServiceException");
  EXPECT_EQ(root.nameSpace(), Wire::SoaException::kNamespace);
  ASSERT_NE(root.attr("message"), nullptr);
  EXPECT_EQ(*root.attr("message"), "a <b> & \"c\" \xC3\xA9");
  EXPECT_EQ(*root.attr("code"), "7007");
  EXPECT_EQ(root.attr("level"), nullptr);
  ASSERT_EQ(root.children().size(), 1u);
  EXPECT_EQ(root.children()[0]->text(), "x < y");
}

TEST_F(ExceptionsTest, FaultDocumentNamesEachExceptionClass) {
  Wire::ProtocolException protocol("bad frame");
  Wire::InvalidUserException user("nobody");
  user.setUserName("ghost");

  SAXToNodeParser parser;
  EXPECT_EQ(parser.parseString(faultOf(protocol)).name(), "ProtocolException");
  const auto& userRoot = parser.parseString(faultOf(user));
  EXPECT_EQ(userRoot.name(), "InvalidUserException");
  EXPECT_EQ(*userRoot.attr("userName"), "ghost");
}

}  // namespace
