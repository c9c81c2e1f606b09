#include "views/SettingBindings.h"

#include "app/settings/SettingsSlider.h"
#include "app/settings/SettingsStore.h"
#include "app/settings/SettingsTexts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <memory>

namespace vantry::SettingBindings {

namespace {

void showText(QLineEdit* field, const QString& text)
{
    if (field->text() == text)
        return;
    const int cursor = field->cursorPosition();
    field->setText(text);
    field->setCursorPosition(std::min<int>(cursor, int(text.size())));
}

} // namespace

void toggle(QAbstractButton* box, SettingsStore& store, const QString& key, std::function<bool()> shown)
{
    box->setCheckable(true);
    auto refresh = [box, shown] { box->setChecked(shown()); };
    refresh();
    store.observe(key, box, refresh);
    QObject::connect(box, &QAbstractButton::clicked, box, [&store, key](bool on) { store.setBoolean(key, on); });
}

void text(QLineEdit* field, SettingsStore& store, const QString& key, std::function<QString()> shown,
          std::function<QString(const QString&)> normalize)
{
    auto refresh = [field, shown] { showText(field, shown()); };
    refresh();
    store.observe(key, field, refresh);
    QObject::connect(field, &QLineEdit::textEdited, field, [field, &store, key, normalize](const QString& typed) {
        const QString value = normalize ? normalize(typed) : typed;
        store.setString(key, value);
        // The store may already hold `value` (clearing a field that shows the default).
        showText(field, value);
    });
}

void choice(QComboBox* picker, SettingsStore& store, const QString& key, std::function<QString()> shown)
{
    auto refresh = [picker, shown] { picker->setCurrentIndex(picker->findData(shown())); };
    refresh();
    store.observe(key, picker, refresh);
    QObject::connect(picker, &QComboBox::activated, picker, [picker, &store, key](int index) {
        store.setString(key, picker->itemData(index).toString());
    });
}

void slider(QSlider* slider, QLabel* valueText, const SettingsSlider& scale, SettingsStore& store, const QString& key,
            std::function<double()> shown)
{
    slider->setRange(0, scale.steps);
    slider->setSingleStep(std::max(1, scale.steps / 100));
    slider->setPageStep(std::max(1, scale.steps / 10));
    auto refresh = [slider, valueText, scale, shown, &store, key] {
        // The text says what the setting means; the handle stays where the stored value puts it.
        const double value = shown();
        valueText->setText(SettingsTexts::sliderValue(value));
        std::optional<double> stored;
        if (const std::optional<QString> text = store.string(key)) {
            bool ok = false;
            if (const double number = text->trimmed().toDouble(&ok); ok)
                stored = number;
        }
        // Positioning the handle is no user's move.
        const QSignalBlocker quiet(slider);
        slider->setValue(scale.handlePosition(stored, value));
    };
    refresh();
    store.observe(key, slider, refresh);
    QObject::connect(slider, &QSlider::valueChanged, slider, [&store, key, scale](int position) {
        store.setFloating(key, scale.value(position));
    });
}

} // namespace vantry::SettingBindings
