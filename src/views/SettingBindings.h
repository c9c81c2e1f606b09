#pragma once

#include <QString>

#include <functional>

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace vantry {

class SettingsStore;
struct SettingsSlider;

// Binds a control to one settings key: the control shows `shown()` now and again after every
// change of the key (whoever wrote it), and only a user's edit writes the key. The store must
// outlive the control.
namespace SettingBindings {

// A check box or switch; a click writes the new state.
void toggle(QAbstractButton* box, SettingsStore& store, const QString& key, std::function<bool()> shown);

// A text field; each edit writes `normalize(text)` (the text itself without one) and the field
// then shows what was written.
void text(QLineEdit* field, SettingsStore& store, const QString& key, std::function<QString()> shown,
          std::function<QString(const QString&)> normalize = {});

// A picker whose entries carry the stored text as their data; choosing one writes it.
void choice(QComboBox* picker, SettingsStore& store, const QString& key, std::function<QString()> shown);

// A slider with its value text; moving it writes the position's value. The text shows `shown()`,
// the value the setting means (a stored gap of 0 means the default gap). Showing a stored value
// never writes it back, so 0.9337 stays 0.9337 until the slider is moved.
void slider(QSlider* slider, QLabel* valueText, const SettingsSlider& scale, SettingsStore& store, const QString& key,
            std::function<double()> shown);

} // namespace SettingBindings

} // namespace vantry
