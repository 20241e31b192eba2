#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace hf::test {

// A control of a dialog by its id; only the dialog's own controls, not
// those of a dialog it opened.
template <class T> T* control(QWidget* dialog, const char* id)
{
    T* w = dialog->findChild<T*>(QString::fromLatin1(id), Qt::FindDirectChildrenOnly);
    if (!w)
        ADD_FAILURE() << "no control " << id << " in " << dialog->objectName().toStdString();
    return w;
}

inline void click(QWidget* dialog, const char* id)
{
    if (auto* b = control<QPushButton>(dialog, id))
        b->click();
}

inline QStringList labelTexts(QWidget* dialog)
{
    QStringList texts;
    for (QLabel* l : dialog->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        texts << l->text();
    return texts;
}

inline QStringList listTexts(QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

inline QString selectedText(QListWidget* list)
{
    const auto items = list->selectedItems();
    return items.isEmpty() ? QString() : items.front()->text();
}

// Clicks the list entry with the given text, as the user would.
inline void clickEntry(QListWidget* list, const QString& text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
}

// Types text character by character; unlike QTest::keyClicks it also
// types characters beyond Latin-1.
inline void typeText(QWidget* w, const QString& text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Replaces the text of a line edit by typing.
inline void retype(QWidget* edit, const QString& text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

}  // namespace hf::test
