#include "ui/window_phase.h"

namespace ui {

ControlStates DeriveControlStates(Phase phase, const FormValues& values) {
    ControlStates states;
    // While a conversion copies and patches, nothing may end the window under it.
    const bool interruptible = !(phase == Phase::Converting && values.patching);
    states.cancel = interruptible;
    // A window already closing has taken its one close request.
    states.closeAllowed = interruptible && phase != Phase::Closing;
    // Nothing may change the inputs of a run under way, nor start anything while closing.
    const bool inputsOpen = phase != Phase::Converting && phase != Phase::Closing;
    states.sourceInputs = inputsOpen;
    states.targetInputs = inputsOpen && !values.overwriteSource;
    states.convert = phase == Phase::Idle && values.versionChosen &&
                     (values.targetNamed || values.overwriteSource) && !values.targetIsForbidden;
    return states;
}

}  // namespace ui
