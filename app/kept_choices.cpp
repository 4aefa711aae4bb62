#include "app/kept_choices.h"

#include "platform/settings/settings_store.h"

#include <QCheckBox>
#include <QRadioButton>

namespace veltrano::app {

namespace {

const QString kBackupKey = QStringLiteral("BackupCheck");
const QString kScopeKey = QStringLiteral("Type");

QString readChoice(const QString& key, const QString& defaultText)
{
    return platform::settings::read(QLatin1String(kSettingsApplication), QLatin1String(kSettingsSection), key,
                                    defaultText);
}

// Whether the write worked is not looked at: a choice that could not be kept is still the
// choice on screen for this run.
void writeChoice(const QString& key, const QString& text)
{
    platform::settings::write(QLatin1String(kSettingsApplication), QLatin1String(kSettingsSection), key, text);
}

// "Type" as the number it holds. The stored text is ours ("1", "2", "5"), so text that is no
// number at all was put there by someone else and counts as absent.
double storedScopeNumber()
{
    bool isNumber = false;
    const double number = readChoice(kScopeKey, QStringLiteral("1")).trimmed().toDouble(&isNumber);
    return isNumber ? number : 1;
}

}  // namespace

void Check1_Click(const QCheckBox& Check1)
{
    writeChoice(kBackupKey, Check1.checkState() == Qt::Unchecked ? QStringLiteral("False") : QStringLiteral("True"));
}

void Option3_Click()
{
    writeChoice(kScopeKey, QStringLiteral("1"));
}

void Option4_Click()
{
    writeChoice(kScopeKey, QStringLiteral("2"));
}

void Option5_Click()
{
    writeChoice(kScopeKey, QStringLiteral("5"));
}

void restoreBackupChoice(QCheckBox& Check1)
{
    // Case-sensitive on purpose: only the text this program writes counts as checked.
    Check1.setChecked(readChoice(kBackupKey, QStringLiteral("True")) == QLatin1String("True"));
}

void restoreScope(QRadioButton& Option3, QRadioButton& Option4, QRadioButton& Option5)
{
    const double scope = storedScopeNumber();
    if (scope == 1)
        Option3.setChecked(true);
    else if (scope == 2)
        Option4.setChecked(true);
    else if (scope == 5)
        Option5.setChecked(true);
}

}  // namespace veltrano::app
