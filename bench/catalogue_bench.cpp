// SPDX-License-Identifier: GPL-3.0-or-later
// catalogue_bench: the four figures of a catalogue at size, each against its
// baseline in the same run, medians of several runs:
//
//   start-up   the program's window until it is exposed, in a process of its
//              own (time and peak memory), against a minimal Qt window with the
//              same tabs and list items;
//   statistics the statistics window as the user opens it, right after start-up
//              and later, against reading all Section files with a plain parse;
//   updates    integrating 10 update archives, against copying them with an
//              fsync each;
//   click      a click on an entry until its text part is shown, with TZ set and
//              unset, against libzip extracting only that member.
//
//     catalogue_bench CACHE [--runs N] [--only startup,stats,updates,click]
//
// CACHE holds what scripts/bench generated: medium/, large/, updates/base/,
// updates/archives/ and click/.

#include "catalogue/errorreport.h"
#include "app/mainwindow.h"
#include "app/timezone.h"
#include "catalogue/catalogue.h"
#include "catalogue/entry.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "navigation/entrylistbox.h"
#include "stats/statistikwindow.h"
#include "updates/modulupdate.h"
#include "widgets/findcontrol.h"
#include "zip/zipaccess.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMainWindow>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

/// Answers every box with its first button and chooses nothing: the figures
/// must never wait on a user.
class SilentSeam : public tv::Seam
{
public:
    tv::MessageButton message(const tv::MessageRequest &request) override
    {
        std::fprintf(stderr, "box: %s\n", qPrintable(request.text));
        return tv::Ok;
    }
    QString chooseFolder(const QString &) override { return QString(); }
    tv::SaveAnswer chooseSaveFile(const tv::SaveRequest &) override { return {}; }
    bool choosePrinter(QPrinter &) override { return false; }
    bool openExternal(const QUrl &) override { return true; }
    void setClipboard(QMimeData *data) override { delete data; }
    void setBusy(bool) override { }
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

QString withSlash(const QString &dir)
{
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

// ---------------------------------------------------------------- baselines

/// A plain parse: every Section file read whole, split into lines, sections
/// and key/value pairs kept as strings.
struct PlainSection
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
};

std::vector<std::string> plainLines(const std::string &path)
{
    std::vector<std::string> lines;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    const QByteArray content = file.readAll();
    std::string line;
    for (const char c : content) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(std::move(line));
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::vector<PlainSection> plainParse(const std::string &path)
{
    std::vector<PlainSection> sections;
    for (const std::string &line : plainLines(path)) {
        if (line.empty())
            continue;
        if (line.front() == '[') {
            sections.push_back({ line.substr(1, line.find(']') - 1), {} });
        } else if (!sections.empty()) {
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos)
                sections.back().keys.emplace_back(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    return sections;
}

std::vector<std::string> sectionPaths(const QString &dir)
{
    std::vector<std::string> paths;
    for (const std::string &line :
        plainLines((withSlash(dir) + QStringLiteral("Sections.dat")).toStdString()))
        paths.push_back((withSlash(dir) + QStringLiteral("Section_")).toStdString() + line + ".dat");
    return paths;
}

/// All Section files read and parsed; returns the number of keys, so that nothing is optimised away.
std::size_t plainReadAll(const QString &dir)
{
    std::size_t keys = 0;
    for (const std::string &path : sectionPaths(dir)) {
        for (const PlainSection &s : plainParse(path))
            keys += s.keys.size() + 1;
    }
    return keys;
}

bool copyAndSync(const QString &from, const QString &to)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = in >= 0 && out >= 0;
    char buffer[128 * 1024];
    ssize_t n = 0;
    while (ok && (n = ::read(in, buffer, sizeof buffer)) > 0)
        ok = ::write(out, buffer, std::size_t(n)) == n;
    ok = ok && n == 0 && ::fsync(out) == 0;
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ok = ::close(out) == 0 && ok;
    return ok;
}

bool copyDir(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QString &name : QDir(from).entryList(QDir::Files)) {
        QFile::remove(withSlash(to) + name);
        if (!QFile::copy(withSlash(from) + name, withSlash(to) + name))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- children

/// Tells the parent that the window is mapped.
void tellParent(int fd)
{
    if (fd >= 0) {
        const char byte = 'm';
        if (::write(fd, &byte, 1) != 1)
            std::fprintf(stderr, "cannot tell the parent\n");
        ::close(fd);
    }
}

std::unique_ptr<tv::TForm1> startWindow(tv::Seam &seam)
{
    auto form = std::make_unique<tv::TForm1>(seam);
    form->ZipAccess1().setEngineDirectory(QStringLiteral(TIPVAULT_ENGINE_DIR));
    if (!form->FormCreate())
        return nullptr;
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

int childStartup(tv::Seam &seam, const QString &dir, int fd)
{
    tv::setProgramDirOverride(dir);
    const auto form = startWindow(seam);
    if (!form)
        return 1;
    tellParent(fd);
    return 0;
}

/// The minimal window: the same number of tabs, each with a list of the same names.
int childBaselineStartup(const QString &dir, int fd)
{
    QMainWindow window;
    auto *tabs = new QTabWidget;
    window.setCentralWidget(tabs);
    for (const std::string &path : sectionPaths(dir)) {
        auto *list = new QListWidget;
        for (const std::string &line : plainLines(path)) {
            if (!line.empty() && line.front() == '[')
                list->addItem(QString::fromLatin1(line.substr(1, line.find(']') - 1)));
        }
        const std::size_t slash = path.rfind('/');
        tabs->addTab(list, QString::fromLatin1(path.substr(slash + 9, path.size() - slash - 13)));
    }
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window.resize(screen->availableSize() - QSize(80, 100));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    tellParent(fd);
    return 0;
}

int childStats(tv::Seam &seam, const QString &dir, int runs)
{
    tv::setProgramDirOverride(dir);
    const auto form = startWindow(seam);
    if (!form)
        return 1;
    std::vector<double> ours;
    std::vector<double> plain;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        {
            tv::TForm2 stats(form.get());
            stats.show();
            QCoreApplication::processEvents();
            ours.push_back(msSince(timer));
        }
        timer.start();
        const std::size_t keys = plainReadAll(dir);
        plain.push_back(msSince(timer));
        if (keys == 0)
            return 1;
    }
    std::printf("first %.3f\nlater %.3f\nbaseline %.3f\n", ours.front(),
        median(std::vector<double>(ours.begin() + 1, ours.end())), median(plain));
    return 0;
}

int childUpdates(tv::Seam &seam, const QString &cache, int runs)
{
    const QString base = cache + QStringLiteral("updates/base/");
    const QString archives = cache + QStringLiteral("updates/archives/");
    const QStringList names = QDir(archives).entryList({ QStringLiteral("*.tvu") }, QDir::Files, QDir::Name);
    std::vector<double> ours;
    std::vector<double> plain;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir program(cache + QStringLiteral("run-XXXXXX"));
        if (!copyDir(base, program.path()))
            return 1;
        tv::setProgramDirOverride(program.path());
        tv::TZipAccess zip(seam);
        zip.setEngineDirectory(QStringLiteral(TIPVAULT_ENGINE_DIR));
        QElapsedTimer timer;
        timer.start();
        const int integrated = tv::IntegrateUpdates(seam, zip, archives);
        ours.push_back(msSince(timer));
        if (integrated != names.size()) {
            std::fprintf(stderr, "integrated %d of %d\n", integrated, int(names.size()));
            return 1;
        }
        QTemporaryDir copies(cache + QStringLiteral("cp-XXXXXX"));
        timer.start();
        for (const QString &name : names) {
            if (!copyAndSync(archives + name, withSlash(copies.path()) + name))
                return 1;
        }
        plain.push_back(msSince(timer));
    }
    std::printf("ours %.3f\nbaseline %.3f\n", median(ours), median(plain));
    return 0;
}

/// Entries from the middle on with one RTF text part: a click shows that part alone.
QList<int> clickRows(const tv::SectionFile &file, const QList<QByteArray> &names)
{
    QList<int> rows;
    for (int row = int(names.size()) / 2; row < names.size() && rows.size() < 2; ++row) {
        const tv::Entry entry = file.entry(names[row]);
        if (entry.partCount == 1 && file.part(entry.name, 1).file.endsWith(".rtf"))
            rows.append(row);
    }
    return rows;
}

int childClick(tv::Seam &seam, const QString &dir, int runs)
{
    tv::setProgramDirOverride(dir);
    const auto form = startWindow(seam);
    if (!form)
        return 1;
    auto *list
        = qobject_cast<tv::EntryListBox *>(tv::findControl(form.get(), QStringLiteral("SectionListBox1")));
    const tv::SectionFile file = tv::readSections().value(0).file();
    const QList<QByteArray> names = file.entryNames();
    // Two entries in turn: a click on the entry already shown does nothing.
    const QList<int> rows = list ? clickRows(file, names) : QList<int>();
    if (rows.size() < 2)
        return 1;
    const QString target = tv::GetWorkDir() + QStringLiteral("baseline.rtf");

    std::vector<double> ours;
    std::vector<double> plain;
    for (int i = 0; i < runs; ++i) {
        const int row = rows[i % 2];
        const tv::Part part = file.part(names[row], 1);
        const QByteArray modul = QFile::encodeName(tv::moduleFile(part.modul));
        list->selectRow(row);
        QElapsedTimer timer;
        timer.start();
        form->SectionListBoxClick(list);
        QCoreApplication::processEvents();
        ours.push_back(msSince(timer));

        timer.start();
        int error = 0;
        zip_t *archive = zip_open(modul.constData(), ZIP_RDONLY, &error);
        zip_file_t *member = archive ? zip_fopen(archive, part.file.constData(), 0) : nullptr;
        QFile out(target);
        bool ok = member && out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        char buffer[64 * 1024];
        zip_int64_t n = 0;
        while (ok && (n = zip_fread(member, buffer, sizeof buffer)) > 0)
            ok = out.write(buffer, n) == n;
        out.close();
        QFile::remove(target);
        if (member)
            zip_fclose(member);
        if (archive)
            zip_discard(archive);
        plain.push_back(msSince(timer));
        if (!ok)
            return 1;
    }
    std::printf("ours %.3f\nbaseline %.3f\n", median(ours), median(plain));
    return 0;
}

int runChild(const QStringList &args)
{
    const QString mode = args.value(0);
    const QString dir = args.value(1);
    const int value = args.value(2).toInt();
    SilentSeam seam;
    int code = 1;
    tv::guarded(seam, [&] {
        if (mode == QLatin1String("startup"))
            code = childStartup(seam, dir, value);
        else if (mode == QLatin1String("baseline-startup"))
            code = childBaselineStartup(dir, value);
        else if (mode == QLatin1String("stats"))
            code = childStats(seam, dir, value);
        else if (mode == QLatin1String("updates"))
            code = childUpdates(seam, dir, value);
        else if (mode == QLatin1String("click"))
            code = childClick(seam, dir, value);
    });
    std::fflush(stdout);
    return code;
}

// ---------------------------------------------------------------- parent

struct Spawned
{
    double ms = 0;
    double peakMiB = 0;
    bool ok = false;
};

/// Runs a start-up child; the time runs from the spawn until it reports its window mapped.
Spawned spawnStartup(const QString &self, const QString &mode, const QString &dir)
{
    Spawned result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return result;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 3); // without O_CLOEXEC
        const QByteArray exe = QFile::encodeName(self);
        const QByteArray m = mode.toLatin1();
        const QByteArray d = QFile::encodeName(dir);
        ::execl(exe.constData(), exe.constData(), "--child", m.constData(), d.constData(), "3", nullptr);
        ::_exit(127);
    }
    ::close(fds[1]);
    char byte = 0;
    const bool mapped = ::read(fds[0], &byte, 1) == 1;
    result.ms = msSince(timer);
    ::close(fds[0]);
    int status = 0;
    struct rusage usage
    {
    };
    ::wait4(pid, &status, 0, &usage);
    result.peakMiB = double(usage.ru_maxrss) / 1024.0;
    result.ok = mapped && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

/// Runs a child that prints "name value" lines.
std::map<std::string, double> runReporting(
    const QString &self, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, QStringList { QStringLiteral("--child") } + args);
    child.waitForFinished(-1);
    std::map<std::string, double> values;
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return values;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2)
            values[parts[0].toStdString()] = parts[1].toDouble();
    }
    return values;
}

void row(const char *figure, const char *size, double ours, double base, const char *unit, double goal)
{
    const double ratio = base > 0 ? ours / base : 0;
    std::printf("| %-26s | %-6s | %10.1f %-3s | %10.1f %-3s | %5.2f | %4.1f | %s |\n", figure, size, ours,
        unit, base, unit, ratio, goal, ratio <= goal ? "met" : "MISSED");
    std::fflush(stdout);
}

void failed(const char *figure, const char *size)
{
    std::printf("| %-26s | %-6s | failed: see the messages above |\n", figure, size);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::string(argv[1]) == "--child") {
        tv::pinLocalTimeZone(); // as the program's main() does
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return runChild(QApplication::arguments().mid(2));
    }
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    int runs = 5;
    QStringList only { QStringLiteral("startup"), QStringLiteral("stats"), QStringLiteral("updates"),
        QStringLiteral("click") };
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs")) {
            runs = std::max(2, args[i + 1].toInt());
            args.remove(i, 2);
            --i;
        } else if (args[i] == QLatin1String("--only")) {
            only = args[i + 1].split(u',');
            args.remove(i, 2);
            --i;
        }
    }
    if (args.size() != 1) {
        std::fprintf(
            stderr, "usage: catalogue_bench CACHE [--runs N] [--only startup,stats,updates,click]\n");
        return 2;
    }
    const QString cache = withSlash(QDir(args[0]).absolutePath());
    const QString self = QCoreApplication::applicationFilePath();
    QTemporaryDir tmp;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp.path());
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));

    std::printf("| %-26s | %-6s | %14s | %14s | %5s | %4s | %s |\n", "figure", "size", "Tipvault", "baseline",
        "ratio", "goal", "");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const char *size : { "medium", "large" }) {
        const QString dir = cache + QString::fromLatin1(size) + u'/';
        if (!QFileInfo::exists(dir + QStringLiteral("Sections.dat")))
            continue;
        if (only.contains(QStringLiteral("startup"))) {
            std::vector<double> ours, oursMem, base, baseMem;
            bool ok = true;
            for (int i = 0; i < runs && ok; ++i) {
                const Spawned a = spawnStartup(self, QStringLiteral("startup"), dir);
                const Spawned b = spawnStartup(self, QStringLiteral("baseline-startup"), dir);
                ok = a.ok && b.ok;
                ours.push_back(a.ms);
                oursMem.push_back(a.peakMiB);
                base.push_back(b.ms);
                baseMem.push_back(b.peakMiB);
            }
            if (ok) {
                row("start-up until mapped", size, median(ours), median(base), "ms", 1.5);
                row("start-up peak memory", size, median(oursMem), median(baseMem), "MiB", 2.0);
            } else {
                failed("start-up", size);
            }
        }
        if (only.contains(QStringLiteral("stats"))) {
            auto v = runReporting(self, { QStringLiteral("stats"), dir, QString::number(runs + 1) }, env);
            if (v.count("baseline")) {
                row("statistics, first opening", size, v["first"], v["baseline"], "ms", 2.0);
                row("statistics, later", size, v["later"], v["baseline"], "ms", 2.0);
            } else {
                failed("statistics", size);
            }
        }
    }
    if (only.contains(QStringLiteral("updates"))
        && QFileInfo::exists(cache + QStringLiteral("updates/base"))) {
        auto v = runReporting(self, { QStringLiteral("updates"), cache, QString::number(runs) }, env);
        if (v.count("baseline"))
            row("10 update archives", "", v["ours"], v["baseline"], "ms", 3.0);
        else
            failed("10 update archives", "");
    }
    if (only.contains(QStringLiteral("click")) && QFileInfo::exists(cache + QStringLiteral("click"))) {
        for (const bool tzSet : { true, false }) {
            QProcessEnvironment e = env;
            if (tzSet)
                e.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
            else
                e.remove(QStringLiteral("TZ"));
            auto v = runReporting(self,
                { QStringLiteral("click"), cache + QStringLiteral("click/"), QString::number(runs * 4) }, e);
            const char *name = tzSet ? "click -> text, TZ set" : "click -> text, TZ unset";
            if (v.count("baseline"))
                row(name, "", v["ours"], v["baseline"], "ms", 1.5);
            else
                failed(name, "");
        }
    }
    return 0;
}
