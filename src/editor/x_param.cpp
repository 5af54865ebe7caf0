#include "editor/x_param.h"

namespace brelix {

void XParam::SetField(int32_t param) {
  Param = param;
  ii = PatchFieldLane(param);
}

}  // namespace brelix
