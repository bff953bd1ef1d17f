// Start-up of the service library: the static initialisers that register the services with the
// host when the library is loaded. They all live in this one translation unit because the order
// of static initialisation is only defined within a translation unit.
