#include "appmodel/IAppController.h"

#include <atomic>

namespace {

std::atomic<IAppController*> currentAppController{nullptr};

} // namespace

IAppController* IAppController::Current()
{
    return currentAppController.load();
}

void IAppController::SetCurrent(IAppController* controller)
{
    currentAppController.store(controller);
}
