#include "QtText.h"

#include "Text.h"

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
    if (!fitsCp1252(utf8))
        return Invalid;
    if (static_cast<int>(charCount(utf8)) > maxChars_)
        return Invalid;
    return Acceptable;
}

}  // namespace hf
