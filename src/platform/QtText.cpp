#include "QtText.h"

#include "Text.h"

#include <QLineEdit>
#include <QToolTip>

#include <limits>

namespace hf {

QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toUtf8(const QString& text)
{
    return text.toStdString();
}

QString fromCp1252(std::string_view bytes)
{
    return toQString(cp1252ToUtf8(bytes));
}

std::string toCp1252(const QString& text)
{
    return utf8ToCp1252(text.toStdString());
}

Cp1252Validator::Cp1252Validator(int maxChars, QObject* parent) : QValidator(parent), maxChars_(maxChars) {}

QValidator::State Cp1252Validator::validate(QString& input, int&) const
{
    const std::string utf8 = input.toStdString();
    refusedCharacter_ = !fitsCp1252(utf8);
    if (refusedCharacter_)
        return Invalid;
    if (static_cast<int>(charCount(utf8)) > maxChars_)
        return Invalid;
    return Acceptable;
}

void limitFieldEdit(QLineEdit* edit, int maxChars)
{
    const int limit = maxChars > 0 ? maxChars : std::numeric_limits<int>::max();
    auto* validator = new Cp1252Validator(limit, edit);
    if (maxChars > 0)
        edit->setMaxLength(maxChars);
    edit->setValidator(validator);
    QObject::connect(edit, &QLineEdit::inputRejected, edit, [edit, validator, maxChars] {
        if (!validator->refusedCharacter() && maxChars <= 0)
            return;
        // A refusal by length leaves the validator's last verdict on the
        // shortened text, which held no foreign character.
        const QString why =
            validator->refusedCharacter()
                ? QStringLiteral("The handheld cannot show this character.  Use letters, digits and signs of the "
                                 "Western European (Windows-1252) character set.")
                : QStringLiteral("At most %1 characters fit here.").arg(maxChars);
        QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), why, edit);
    });
}

}  // namespace hf
