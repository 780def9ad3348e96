#pragma once
// The message boxes and the open-file dialog's choices in Qt's terms, built apart from the
// window so that the rules are tested on their own.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <memory>
#include <span>
#include <string_view>

#include "app/commands/ui.h"

namespace icoforge {

// A box with no owner that holds the whole program, ready to be shown; the first button
// is the default one.
std::unique_ptr<QMessageBox> BuildMessageBox(const Message& message);

// What the user answered; OK for any button but Yes and No.
MessageAnswer AnswerOf(QMessageBox::StandardButton button);

// Qt's name filters, "label (pattern pattern)", one per choice. Qt takes the patterns
// from the last parenthesised group, so a label may hold parentheses of its own.
QStringList NameFiltersOf(std::span<const FileFilter> filters);

// The window's texts break lines with "\r\n"; Qt wants "\n" alone.
QString QtText(std::string_view text);

}  // namespace icoforge
