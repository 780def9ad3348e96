#include "app/qt/dialogs.h"

#include <QPushButton>

namespace icoforge {

QString QtText(std::string_view text) {
    QString converted = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    converted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return converted;
}

std::unique_ptr<QMessageBox> BuildMessageBox(const Message& message) {
    auto box = std::make_unique<QMessageBox>();
    box->setWindowTitle(QtText(message.caption));
    box->setTextFormat(Qt::PlainText);
    box->setText(QtText(message.text));
    box->setIcon(message.kind == MessageKind::kError ? QMessageBox::Critical : QMessageBox::NoIcon);
    if (message.kind == MessageKind::kConfirmation) {
        box->addButton(QMessageBox::Yes);
        box->addButton(QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
    } else {
        box->setDefaultButton(box->addButton(QMessageBox::Ok));
    }
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

MessageAnswer AnswerOf(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Yes: return MessageAnswer::kYes;
        case QMessageBox::No: return MessageAnswer::kNo;
        default: return MessageAnswer::kOk;
    }
}

QStringList NameFiltersOf(std::span<const FileFilter> filters) {
    QStringList names;
    for (const FileFilter& filter : filters) {
        QStringList patterns;
        for (const std::string_view pattern : filter.patterns) patterns << QtText(pattern);
        // A choice without patterns would make Qt read its label as one.
        if (!patterns.isEmpty()) names << QtText(filter.label) + QStringLiteral(" (") + patterns.join(' ') + ')';
    }
    return names;
}

}  // namespace icoforge
