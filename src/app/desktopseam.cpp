// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopseam.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPushButton>

namespace tv {
namespace {

/// While a box or dialog waits for the user, the pointer is an arrow even
/// inside a busy command.
class ArrowWhileAsking
{
public:
    ArrowWhileAsking() { QGuiApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowWhileAsking() { QGuiApplication::restoreOverrideCursor(); }
    ArrowWhileAsking(const ArrowWhileAsking &) = delete;
    ArrowWhileAsking &operator=(const ArrowWhileAsking &) = delete;
};

QMessageBox::Icon iconFor(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Confirmation:
        return QMessageBox::Question;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageButton DesktopSeam::message(const MessageRequest &request)
{
    QMessageBox box(iconFor(request.kind), request.title, request.text, QMessageBox::NoButton,
        QApplication::activeWindow());
    struct Choice
    {
        int flag;
        const char16_t *caption;
        QMessageBox::ButtonRole role;
    };
    static constexpr Choice kChoices[]
        = { { Yes, u"&Ja", QMessageBox::YesRole }, { No, u"&Nein", QMessageBox::NoRole },
              { Ok, u"OK", QMessageBox::AcceptRole }, { Cancel, u"Abbrechen", QMessageBox::RejectRole } };
    QHash<QAbstractButton *, MessageButton> answers;
    for (const Choice &c : kChoices) {
        if (!(request.buttons & c.flag))
            continue;
        QPushButton *button = box.addButton(QString::fromUtf16(c.caption), c.role);
        answers.insert(button, MessageButton(c.flag));
        if (answers.size() == 1)
            box.setDefaultButton(button); // Yes, else OK
        if (c.flag == No || (c.flag == Cancel && !(request.buttons & No)))
            box.setEscapeButton(button);
        if (c.flag == Ok && request.buttons == Ok)
            box.setEscapeButton(button);
    }
    const ArrowWhileAsking arrow;
    box.exec();
    return answers.value(box.clickedButton(), (request.buttons & No) ? No : Cancel);
}

QString DesktopSeam::chooseFolder(const QString &prompt)
{
    const ArrowWhileAsking arrow;
    return QFileDialog::getExistingDirectory(
        QApplication::activeWindow(), prompt, QDir::homePath(), QFileDialog::ShowDirsOnly);
}

SaveAnswer DesktopSeam::chooseSaveFile(const SaveRequest &request)
{
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setDirectory(request.directory.isEmpty() ? QDir::homePath() : request.directory);
    dialog.selectFile(request.fileName);
    const ArrowWhileAsking arrow;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return { dialog.selectedFiles().constFirst(), int(request.filters.indexOf(dialog.selectedNameFilter())) };
}

bool DesktopSeam::choosePrinter(QPrinter &printer)
{
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(QStringLiteral("Drucken"));
    const ArrowWhileAsking arrow;
    return dialog.exec() == QDialog::Accepted;
}

bool DesktopSeam::openExternal(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

void DesktopSeam::setClipboard(QMimeData *data)
{
    QGuiApplication::clipboard()->setMimeData(data);
}

void DesktopSeam::setBusy(bool busy)
{
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

} // namespace tv
