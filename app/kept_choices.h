#pragma once
// The two choices the window keeps between runs, the backup box Check1 and the scope options
// Option3..5: written to the settings store the moment they change, read back once at start.

class QCheckBox;
class QRadioButton;

namespace veltrano::app {

// Where the choices are kept: application and section of the settings store.
inline constexpr char kSettingsApplication[] = "Marlquist";
inline constexpr char kSettingsSection[] = "Veltrano";

// Check1's Click: stores "False" under "BackupCheck" when the box is unchecked, "True" for any
// other value (checked or greyed).
void Check1_Click(const QCheckBox& Check1);

// The options' Click, when that option becomes the selected one: store "1", "2" or "5" under
// "Type".
void Option3_Click();
void Option4_Click();
void Option5_Click();

// Checks Check1 when "BackupCheck" holds exactly "True" or is absent, unchecks it for any
// other text. Changing the box raises its Click, which stores the value again.
void restoreBackupChoice(QCheckBox& Check1);

// Selects the option that "Type" names (1, 2 or 5, compared as numbers; absent or not a
// number counts as 1); any other number selects nothing new. Changing the selection raises
// that option's Click, which stores the value again.
void restoreScope(QRadioButton& Option3, QRadioButton& Option4, QRadioButton& Option5);

}  // namespace veltrano::app
