#include "qt_message_boxes.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>

#include "window_style.h"

namespace {

void preparePlainBox(QMessageBox& box, const QString& text, const QString& title)
{
    box.setFont(windowFont());
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(title);
    // Texts come from web pages: they must never be taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Outside Windows a message box copies nothing on Ctrl+C; the text is what the user came for.
    auto* copy = new QShortcut(QKeySequence::Copy, &box);
    QObject::connect(copy, &QShortcut::activated, &box, [text] { QGuiApplication::clipboard()->setText(text); });
}

} // namespace

QtMessageBoxes::QtMessageBoxes(QWidget* parent) : m_parent(parent)
{
}

void QtMessageBoxes::showOk(const QString& text, const QString& title)
{
    QMessageBox box(m_parent);
    preparePlainBox(box, text, title);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

Answer QtMessageBoxes::askYesNoCancel(const QString& text, const QString& title)
{
    QMessageBox box(m_parent);
    preparePlainBox(box, text, title);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}
