#pragma once
// What the window is doing, and what that allows: one derivation of every control's enabled
// state, Cancel and the close request from the phase and the form's values.
namespace ui {

enum class Phase {
    Starting,     // unpacking the patch set and reading the catalogue
    Idle,         // waiting for the user
    Identifying,  // summing the source on a worker
    Converting,   // from Convert's click until the window is handed back
    Closing,      // the close request was accepted
};

// The form's values the enabled states depend on.
struct FormValues {
    bool versionChosen = false;      // a row of the version list is selected
    bool targetNamed = false;        // the target box is not empty
    bool overwriteSource = false;    // the overwrite check box is checked
    bool targetIsForbidden = false;  // overwriting the source is switched off and the target names it
    bool patching = false;           // within a conversion: the copy and the patch tool are at work
};

struct ControlStates {
    bool sourceInputs = false;  // Edit1, Button1, CheckBox1, ListBox1
    bool targetInputs = false;  // Edit2, Button2
    bool convert = false;       // Button3
    bool cancel = false;        // Button4
    bool closeAllowed = false;  // a close request (Cancel, the close box, Escape) is honoured
};

// A file dropped on a box is taken exactly when the box is enabled.
[[nodiscard]] ControlStates DeriveControlStates(Phase phase, const FormValues& values);

}  // namespace ui
