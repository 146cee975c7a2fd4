#include "exchange/coordinate_step.h"

#include <string>

#include "platform/error.h"

namespace plotaktar {

PassThroughStep::PassThroughStep(int sourceEpsg, int targetEpsg) : epsg_(sourceEpsg) {
    if (targetEpsg != 0 && targetEpsg != sourceEpsg) {
        throw Error("--to EPSG:" + std::to_string(targetEpsg) +
                    ": writing in another coordinate system needs the Linux build");
    }
}

}  // namespace plotaktar
