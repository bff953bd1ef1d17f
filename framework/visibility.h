// What the shared libraries export.
//
// libsoacad.so and libsoacad_host.so are compiled with hidden visibility (and inline functions
// hidden): a symbol is exported only when its declaration says so. Exported are what a host
// build and the other library use: of the service library, its classes (services,
// implementations, operation classes, skeletons with their `_service` and `_servicePolicy`,
// wire records); of the host, its interface (the object API, the SOA framework, the gateway,
// and the store, dispatcher and demo store that a host program uses). Everything else (helper
// functions, template instances, the host's internal modules) binds within its library, so
// loading a library resolves only the symbols that cross a library boundary.
//
// SOACAD_API marks one class or function. SOACAD_API_BEGIN and SOACAD_API_END enclose a
// header's declarations that are all interface (the host's and the framework's headers).
#pragma once

#define SOACAD_API __attribute__((visibility("default")))
#define SOACAD_API_BEGIN _Pragma("GCC visibility push(default)")
#define SOACAD_API_END _Pragma("GCC visibility pop")
