// The one road every request handler of every skeleton takes: request text to the input wire
// record, to the local arguments, through the service, back to the wire response and out as
// reply text, with the same eight timing marks.
#pragma once

#include <cstddef>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

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

// The most bytes a reply may have. A reply is held whole while it is written and handed to the
// host, so without a ceiling a small request whose answer is vast (the same expansion asked for
// thousands of times) could make the server take memory without end. The ceiling lies far above
// the reply to any real CAD batch (tens of thousands of parts with their datasets answer in tens
// of megabytes); a reply that would pass it ends in a fault that names it, written no further.
constexpr std::size_t kMaxReplyBytes = 512u * 1024u * 1024u;

// The message of the fault of a reply that would pass its ceiling, `maxBytes`.
inline std::string replyTooLongMessage(std::size_t maxBytes) {
  return "The reply would be longer than " + std::to_string(maxBytes) +
         " bytes, the most a reply may have (RequestHandling::kMaxReplyBytes); ask for less in "
         "one request.";
}

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

// Whether a local response lists its outputs in a vector `output` whose elements convert one by
// one: the layout of every such response on the wire is its outputs, then its service data.
template <class Conversions, class Response, class = void>
struct WritesOutputsOneByOne : std::false_type {};
template <class Conversions, class Response>
struct WritesOutputsOneByOne<
    Conversions, Response,
    std::void_t<decltype(Conversions::toWire(std::move(std::declval<Response&>().output.front()))
                             .outputXML(std::declval<Korvane::Soa::Common::Xml::XmlStream&>(),
                                        std::string())),
                decltype(Conversions::toWire(std::declval<Response>())
                             .getServiceData()
                             .outputXML(std::declval<Korvane::Soa::Common::Xml::XmlStream&>(),
                                        std::string()))>>
    : std::is_same<decltype(Response::output),
                   std::vector<typename decltype(Response::output)::value_type>> {};

// Writes `local` as the wire response would write itself under `element`. A response with
// outputs (see WritesOutputsOneByOne) is converted one output at a time, each written and its
// local record given back before the next is converted, so that the wire records of a large
// response never exist all at once: a reply costs about its own text, not the text and a
// wire copy several times larger. The service data is converted first, by the response's own
// conversion of the response without its outputs, and written last, where the response record
// writes it. Any other response is converted whole and written.
template <class Conversions, class Response>
void writeResponse(Korvane::Soa::Common::Xml::XmlStream& stream, const std::string& element,
                   Response&& local) {
  if constexpr (WritesOutputsOneByOne<Conversions, std::decay_t<Response>>::value) {
    static const std::string kOutput("output");
    static const std::string kServiceData("serviceData");
    auto outputs = std::move(local.output);
    local.output.clear();
    const auto rest = Conversions::toWire(std::move(local));
    stream.startElement(element);
    for (auto& output : outputs) {
      Conversions::toWire(std::move(output)).outputXML(stream, kOutput);
      output = {};
    }
    rest.getServiceData().outputXML(stream, kServiceData);
    stream.endElement();
  } else {
    Conversions::toWire(std::move(local)).outputXML(stream, element);
  }
}

// The service call, the response conversion and the writing of the reply, which may have at
// most `maxReplyBytes` (kMaxReplyBytes; tests lower it): a reply that would pass it raises a
// ServiceException that says so, and is written no further. The local response is handed over
// to the writing, which converts it as it writes it (writeResponse).
//
// The whole request is one step for the host store: a mark point is placed before the service
// call and kept only once the reply text is complete, so that any failure on the way (which
// becomes a fault document, here or in the dispatcher) rolls back everything the request did.
// A client that reads a fault knows that nothing was saved; a refusal to place or keep the mark
// fails the request the same way.
//
// The local arguments are released as soon as the service has answered, before the response is
// converted and written, and each output once it is written, so that a large request's
// arguments, its responses and its reply text are never all held at once.
template <class Conversions, class Arguments, class Serve>
std::string respond(const HandlerNames& names, std::optional<Arguments>& arguments, Serve& serve,
                    std::size_t maxReplyBytes = kMaxReplyBytes) {
  using Korvane::Soa::Internal::Common::Monitor;
  Korvane::Soa::Cad::MarkPoint requestMark;
  Monitor::markStart(names.service);
  Korvane::Soa::Common::Xml::XmlStream stream(maxReplyBytes);
  {
    auto localResponse = std::apply(serve, *arguments);
    arguments.reset();
    Monitor::markEnd(names.service);
    Monitor::markStart(names.localToWire);
    try {
      writeResponse<Conversions>(stream, names.responseElement, std::move(localResponse));
    } catch (const Korvane::Soa::Common::Xml::XmlStreamFull& full) {
      throw Korvane::Soa::Server::ServiceException(replyTooLongMessage(full.maxBytes()));
    }
  }
  Monitor::markEnd(names.localToWire);
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
// handler's mark, S the service call's; H::localToWire spans the conversion and the writing of
// the response).
//
// What a request no longer needs is released at once rather than kept to the end of the
// handler, which bounds the memory of a large request: the node tree while the input record
// is read (what the record has read goes as it reads on), the input record once the local
// arguments are built, the arguments once the service has answered, and each output of the
// response once it is written (respond).
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
