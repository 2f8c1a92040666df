#pragma once

#include <QApplication>
#include <QString>

/// @short The general error report: no exception ever crosses the event loop.
namespace tv {

/// The text shown for an error: a full stop is appended unless the last
/// character is "." or of lower code ("Datei nicht gefunden" -> "Datei nicht gefunden.",
/// "Fehler!" stays, "" stays).
QString errorReportText(const QString &message);

/// Shows an error in the box titled "Tipvault" with the error icon and "OK".
void reportError(const QString &message);

/// Runs `handler`; an exception that leaves it is reported and swallowed.
template<typename F>
void guarded(F &&handler);

/// The application: every exception that leaves an event handler is reported,
/// and the program goes on.
class TipvaultApplication : public QApplication
{
public:
    TipvaultApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

void reportCurrentException();

template<typename F>
void guarded(F &&handler)
{
    try {
        handler();
    } catch (...) {
        reportCurrentException();
    }
}

} // namespace tv
