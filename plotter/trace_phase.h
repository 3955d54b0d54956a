// Phase marks of a trace from the hypocentre listing: observed and calculated
// P, residual bars, S and the signal duration.
#pragma once

#include "trace_draw.h"

void trace_phase_marks(const TraceRecord& r, const TraceBand& band, const SheetValues& sheet);
