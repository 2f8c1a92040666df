// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktopseam.h"
#include "app/qttranslations.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace tv;

namespace {

QStringList buttonTexts(QWidget *dialog)
{
    QStringList texts;
    for (const QDialogButtonBox *box : dialog->findChildren<QDialogButtonBox *>()) {
        for (const QAbstractButton *button : box->buttons())
            texts.append(button->text());
    }
    texts.sort();
    return texts;
}

QStringList labelTexts(QWidget *dialog)
{
    QStringList texts;
    for (const QLabel *label : dialog->findChildren<QLabel *>())
        texts.append(label->text());
    return texts;
}

/// Runs `step` on the next modal widget other than `previous` once it is up.
void whenModal(QWidget *previous, std::function<void(QWidget *)> step)
{
    QTimer::singleShot(0, [previous, step] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == previous) {
            whenModal(previous, step);
            return;
        }
        step(modal);
    });
}

} // namespace

/// Qt's own texts are German under an English (C) locale, as in the rest of the program.
class QtGermanTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Without the C locale this would prove nothing: a German system gets German anyway.
        QCOMPARE(QLocale::system().name(), QStringLiteral("C"));
    }

    void standardBoxButtonsTurnGerman()
    {
        QMessageBox english(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("x"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Save);
        QCOMPARE(english.button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));

        QVERIFY(installQtGermanTexts(*QCoreApplication::instance()));
        QMessageBox german(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("x"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Save);
        QCOMPARE(german.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
        QCOMPARE(german.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
        QCOMPARE(german.button(QMessageBox::Cancel)->text(), QStringLiteral("Abbrechen"));
        QCOMPARE(german.button(QMessageBox::Save)->text(), QStringLiteral("Speichern"));
    }

    void saveDialogAndItsOverwriteQuestionAreGerman()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile existing(dir.filePath(QStringLiteral("text.rtf")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();

        QStringList dialogButtons, dialogLabels, questionButtons;
        QString question;
        whenModal(nullptr, [&](QWidget *dialog) {
            QVERIFY(qobject_cast<QFileDialog *>(dialog));
            dialogButtons = buttonTexts(dialog);
            dialogLabels = labelTexts(dialog);
            // Saving onto the existing file asks before replacing it.
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(QStringLiteral("text.rtf"));
            whenModal(dialog, [&, dialog](QWidget *box) {
                auto *message = qobject_cast<QMessageBox *>(box);
                QVERIFY(message);
                question = message->text();
                questionButtons = buttonTexts(box);
                message->button(QMessageBox::No)->click();
                QTimer::singleShot(0, dialog, [dialog] { qobject_cast<QDialog *>(dialog)->reject(); });
            });
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        });

        DesktopSeam seam;
        SaveRequest request;
        request.title = QStringLiteral("Speichern unter");
        request.filters = QStringList { QStringLiteral("RichEdit-Dateien (*.rtf)") };
        request.defaultSuffix = QStringLiteral("rtf");
        request.directory = dir.path();
        const SaveAnswer answer = seam.chooseSaveFile(request);
        QVERIFY(answer.path.isEmpty()); // not replaced, then cancelled

        QCOMPARE(dialogButtons, (QStringList { QStringLiteral("Abbrechen"), QStringLiteral("S&peichern") }));
        QVERIFY2(dialogLabels.contains(QStringLiteral("Suchen in:")), qPrintable(dialogLabels.join(u'|')));
        QVERIFY2(question.contains(QStringLiteral("existiert bereits")), qPrintable(question));
        QCOMPARE(questionButtons, (QStringList { QStringLiteral("&Ja"), QStringLiteral("&Nein") }));
    }
};

QTEST_MAIN(QtGermanTest)
#include "qtgerman_test.moc"
