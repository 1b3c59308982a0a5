#pragma once
// The drawing-unit conversions and the small geometry the job writer and the speed profile use,
// under the names they know them by; all of it lives in the plane geometry module.
#include "model/geometry.h"

namespace vellisk::jobgeom {

using ::vellisk::Distance3D;
using ::vellisk::MmToUnits;
using ::vellisk::UnitsToMm;
using ::vellisk::VertexAngleCos;

}  // namespace vellisk::jobgeom
