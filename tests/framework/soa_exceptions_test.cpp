#include "framework/soa_exceptions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "host/object/error_store.h"
#include "tests/support/host_fixture.h"

namespace {

namespace Wire = Korvane::Schemas::Soa::_2006_03::Exceptions;
using Korvane::Soa::Common::Exceptions::ExceptionMapper;
using ServerServiceException = Korvane::Soa::Server::ServiceException;

class ExceptionsTest : public soacad_test::HostTest {};

std::string faultOf(Wire::SoaException& exception) {
  std::stringstream out;
  ExceptionMapper::writeSoaException(exception, out);
  return out.str();
}

// Both constructors take the failure on the error store with them, so that it neither is lost
// nor reaches a later request; the one from a message keeps its message. With an empty store the
// message is the default one and there is no code.
TEST_F(ExceptionsTest, ServerExceptionsTakeTheErrorStoreAndEmptyIt) {
  store().setMessageTemplate(215022, "The type %1$ was not found.");
  const std::string detail = "<detail>The type Widget was not found.</detail></ServiceException>";
  const struct {
    bool stored;
    bool withMessage;
    std::string fault;  // After the namespace.
  } cases[] = {
      {true, false, " message=\"The type Widget was not found.\" code=\"215022\" level=\"3\">"},
      {true, true, " message=\"child-1\" code=\"215022\" level=\"3\">"},
      {false, false, " message=\"The service call failed.\"/>"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.fault);
    if (test.stored) {
      ERROR_store(EMH_severity_error, 7007);
      ERROR_store(EMH_severity_error, 215022, "Widget");
    }
    ServerServiceException exception =
        test.withMessage ? ServerServiceException("child-1") : ServerServiceException();
    const std::string fault = faultOf(exception.getWireData());
    EXPECT_EQ(fault.substr(fault.find("\" ") + 1, test.fault.size()), test.fault);
    EXPECT_EQ(exception.getDetails().size(), test.stored ? 2u : 0u);
    EXPECT_EQ(fault.rfind(detail) == fault.size() - detail.size(), test.stored) << fault;
    EXPECT_TRUE(host::errorStore().empty());
  }
}

// A fault document names the exception's class, declares its namespace, carries the class's own
// fields and escapes every value.
TEST_F(ExceptionsTest, FaultDocumentsAreWellFormedAndEscaped) {
  ServerServiceException service("a <b> & \"c\" \xC3\xA9");
  service.addDetail("x < y");
  service.setCode("7007");
  Wire::ProtocolException protocol("bad frame");
  Wire::InvalidUserException user("nobody");
  user.setCode(515001);
  user.setLevel(3);
  user.setUserName("ghost");
  const std::string xmlns = std::string(" xmlns=\"") + Wire::SoaException::kNamespace + "\"";
  EXPECT_EQ(faultOf(service.getWireData()),
            "<ServiceException" + xmlns +
                " message=\"a &lt;b&gt; &amp; &quot;c&quot; \xC3\xA9\" code=\"7007\">"
                "<detail>x &lt; y</detail></ServiceException>");
  EXPECT_EQ(faultOf(protocol), "<ProtocolException" + xmlns + " message=\"bad frame\"/>");
  EXPECT_EQ(faultOf(user), "<InvalidUserException" + xmlns +
                               " message=\"nobody\" code=\"515001\" level=\"3\" "
                               "userName=\"ghost\"/>");
}

// Messages are bounded whoever forms them: a wire exception's or a DomException's message longer
// than kMaxMessageBytes is cut, and what is not printable in it escaped; a message of ordinary
// length is kept as it is.
TEST_F(ExceptionsTest, MessagesAreBounded) {
  const std::string huge(1 << 20, 'm');
  const std::string cut =
      huge.substr(0, Wire::SoaException::kMaxMessageBytes) + "... (1048576 bytes)";
  EXPECT_EQ(ServerServiceException(huge).getMessage(), cut);
  Wire::SoaException set;
  set.setMessage(huge);
  EXPECT_EQ(set.getMessage(), cut);
  Korvane::Soa::Common::Exceptions::DomException dom(huge);
  EXPECT_EQ(dom.getMessage(), cut);
  dom.setMessage("line\none \xFF");
  EXPECT_EQ(dom.getMessage(), "line\\none \\xFF");
  const std::string ordinary =
      "The request cannot be read: line 1, column 2: " + std::string(512, 'c') + "... (600 bytes)";
  EXPECT_EQ(Wire::SoaException(ordinary).getMessage(), ordinary);
}

}  // namespace
