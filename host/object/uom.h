// Units of measure: objects of class "UnitOfMeasure" (type "UnitOfMeasure"), each named by its
// property "symbol" ("mm", "kg", "each").
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

// Every live unit of measure, in tag order (host array, null for none).
int UOM_extent(int* count, Tag** units);
// The unit's symbol (host string; the empty text for a unit without one). 7007 when `unit` is
// not a live unit of measure.
int UOM_ask_name(Tag unit, char** name);

SOACAD_API_END
