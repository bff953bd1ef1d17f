// The one road every request handler of every skeleton takes: request text to the input wire
// record, to the local arguments, through the service, back to the wire response and out as
// reply text, with the same eight timing marks.
#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "datamanagement/operation_support.h"
#include "framework/monitor.h"
#include "framework/sax_to_node_parser.h"
#include "framework/soa_exceptions.h"
#include "framework/xml_stream.h"
#include "host/object/ifail.h"

namespace Korvane {
namespace Services {

// The texts one handler uses, made once per handler.
struct HandlerNames {
  // `handlerPrefix` and `servicePrefix` end with "::"; `responseElement` is the root element of
  // the reply (the response type's name, "...Response"). The request's root element is the
  // input type's name, which every operation forms as its response's with "Input".
  HandlerNames(const std::string& handlerPrefix, const std::string& servicePrefix,
               const std::string& operation, const std::string& responseElement)
      : handler(handlerPrefix + operation),
        wireToLocal(handler + "::wireToLocal"),
        localToWire(handler + "::localToWire"),
        service(servicePrefix + operation),
        responseElement(responseElement),
        inputElement(responseElement.substr(0, responseElement.rfind("Response")) + "Input") {}

  const std::string handler;      // Marks the whole request.
  const std::string wireToLocal;  // Marks the conversion of the input.
  const std::string localToWire;  // Marks the conversion of the response.
  const std::string service;      // Marks the service call.
  const std::string responseElement;
  const std::string inputElement;
};

// What a handler does with a failure of the service call, the response conversion or the
// writing of the reply; either way the store is first rolled back to where it was before the
// service call (see RequestHandling::respond). Failures before the service call (the request
// does not parse, does not fit the input record, or a conversion fails) always reach the
// dispatcher.
enum class FailureHandling {
  // Every exception leaves the handler and reaches the dispatcher.
  passToDispatcher,
  // A server ServiceException, or an IFail (turned into a default-constructed ServiceException,
  // which describes the host's error store), is answered with its fault document. Anything
  // else reaches the dispatcher. The marks left open by the failure are not ended.
  faultDocument,
};

namespace RequestHandling {

// The request's root element, which must be the operation's input element: a document meant for
// another operation is refused, never read as far as its fields happen to match.
inline const Korvane::Soa::Common::Xml::XMLNode& inputRoot(
    const HandlerNames& names, const Korvane::Soa::Common::Xml::XMLNode& root) {
  if (root.name() != names.inputElement) {
    throw Korvane::Soa::Common::Xml::XmlParseError(
        root.line(), root.column(),
        "root element " + Korvane::Soa::Common::Xml::XmlParseError::quote(root.name()) +
            " is not \"" + names.inputElement + "\"");
  }
  return root;
}

inline std::string faultDocument(Korvane::Soa::Server::ServiceException& exception) {
  Korvane::Schemas::Soa::_2006_03::Exceptions::ServiceException wireException =
      exception.getWireData();
  std::stringstream stream(std::ios::in | std::ios::out);
  Korvane::Soa::Common::Exceptions::ExceptionMapper::writeSoaException(wireException, stream);
  return stream.str();
}

// The service call, the response conversion and the writing of the reply. The local response
// is handed over to the conversion, which takes it by value: its results are moved, its
// ServiceData is copied (ServiceData has no move; the copy shares the wire parts), and nothing
// reads the local response afterwards.
//
// The whole request is one step for the host store: a mark point is placed before the service
// call and kept only once the reply text is complete, so that any failure on the way (which
// becomes a fault document, here or in the dispatcher) rolls back everything the request did.
// A client that reads a fault knows that nothing was saved; a refusal to place or keep the mark
// fails the request the same way.
//
// The local arguments are released as soon as the service has answered, before the response is
// converted and written, the local response once it is converted, and the wire response as soon
// as it is written, before the text is handed out, so that a large request's arguments, its
// responses and its reply text are never all held at once.
template <class Conversions, class Arguments, class Serve>
std::string respond(const HandlerNames& names, std::optional<Arguments>& arguments, Serve& serve) {
  using Korvane::Soa::Internal::Common::Monitor;
  Korvane::Soa::Cad::MarkPoint requestMark;
  Monitor::markStart(names.service);
  Korvane::Soa::Common::Xml::XmlStream stream;
  {
    // The local response ends with the conversion: its ServiceData, copied into the conversion,
    // shares the wire parts (error stacks, objects) with the copy, and would otherwise hold them
    // while the reply is written.
    const auto wireResponse = [&names, &arguments, &serve] {
      auto localResponse = std::apply(serve, *arguments);
      arguments.reset();
      Monitor::markEnd(names.service);
      Monitor::markStart(names.localToWire);
      return Conversions::toWire(std::move(localResponse));
    }();
    Monitor::markEnd(names.localToWire);
    wireResponse.outputXML(stream, names.responseElement);
  }
  std::string reply = stream.takeText();
  requestMark.keep();
  Monitor::markEnd(names.handler);
  return reply;
}

}  // namespace RequestHandling

// Answers one request. `Input` is the operation's input wire record; `Conversions` the class
// whose static toWire converts the local response. `toArguments(const Input&)` builds the local
// arguments as a std::tuple; `serve(arguments...)` calls the service with them and returns the
// local response.
//
// A successful request makes exactly these marks, in order: start H, start H::wireToLocal,
// end H::wireToLocal, start S, end S, start H::localToWire, end H::localToWire, end H (H the
// handler's mark, S the service call's).
//
// What a request no longer needs is released at once rather than kept to the end of the
// handler, which bounds the memory of a large request: the node tree while the input record
// is read (what the record has read goes as it reads on), the input record once the local
// arguments are built, the arguments once the service has answered, the local response once it
// is converted and the wire response once it is written (respond).
template <class Input, class Conversions, class ToArguments, class Serve>
std::string handleRequest(const HandlerNames& names, FailureHandling failures,
                          const std::string& request, ToArguments toArguments, Serve serve) {
  using Korvane::Soa::Internal::Common::Monitor;
  Monitor::markStart(names.handler);
  std::optional<decltype(toArguments(std::declval<const Input&>()))> arguments;
  {
    Input input;
    {
      // The tree is read once into the input record under the request's memory budget, and
      // freed behind the reading, so that the two are never both whole.
      Korvane::Soa::Common::Xml::SAXToNodeParser parser;
      const auto& root = RequestHandling::inputRoot(names, parser.parseString(request));
      const Korvane::Soa::Common::Xml::SAXToNodeParser::Reading reading(parser);
      input.parse(root);
    }
    Monitor::markStart(names.wireToLocal);
    arguments.emplace(toArguments(static_cast<const Input&>(input)));
    Monitor::markEnd(names.wireToLocal);
  }
  if (failures == FailureHandling::passToDispatcher) {
    return RequestHandling::respond<Conversions>(names, arguments, serve);
  }
  try {
    return RequestHandling::respond<Conversions>(names, arguments, serve);
  } catch (Korvane::Soa::Server::ServiceException& exception) {
    return RequestHandling::faultDocument(exception);
  } catch (IFail&) {
    Korvane::Soa::Server::ServiceException exception;
    return RequestHandling::faultDocument(exception);
  }
}

}  // namespace Services
}  // namespace Korvane
