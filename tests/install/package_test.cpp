// SPDX-License-Identifier: GPL-3.0-or-later
#include "installtools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kAppId = QStringLiteral("org.tipvault.Tipvault");
const QString kDeb = QStringLiteral("tipvault_" TV_VERSION "_amd64.deb");

} // namespace

/// `cpack -G DEB` in this build: the package's name, fields, layout, and
/// what lintian and the desktop validators say of it.
class PackageTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_deb;
    QString m_root;

    QString unpacked(const QString &path) const { return m_root + path; }
    QByteArray field(const QString &name) const
    {
        const CommandResult f = runCommand(QStringLiteral("dpkg-deb"), { QStringLiteral("-f"), m_deb, name });
        return f.out.trimmed();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const CommandResult pack = runCommand(QStringLiteral(TV_CPACK),
            { QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                QStringLiteral(TV_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), m_dir.path() });
        QVERIFY2(pack.code == 0, qPrintable(pack.describe()));
        m_deb = m_dir.filePath(kDeb);
        QVERIFY2(QFile::exists(m_deb), qPrintable(QDir(m_dir.path()).entryList().join(u' ')));
        m_root = m_dir.filePath(QStringLiteral("root"));
        const CommandResult extract
            = runCommand(QStringLiteral("dpkg"), { QStringLiteral("-x"), m_deb, m_root });
        QVERIFY2(extract.code == 0, qPrintable(extract.describe()));
    }

    void controlFields()
    {
        QCOMPARE(field(QStringLiteral("Package")), QByteArray("tipvault"));
        QCOMPARE(field(QStringLiteral("Version")), QByteArray(TV_VERSION));
        QCOMPARE(field(QStringLiteral("Architecture")), QByteArray("amd64"));
        // From the linked libraries (the engines bring libzip), plus what Qt loads at run time.
        const QByteArray depends = field(QStringLiteral("Depends"));
        for (const char *package : { "libc6", "libqt6widgets6", "libqt6core6", "libzip4", "qt6-qpa-plugins" })
            QVERIFY2(depends.contains(package), depends.constData());
    }

    void layout()
    {
        QCOMPARE(QDir(m_root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            (QStringList { QStringLiteral("opt"), QStringLiteral("usr") }));
        QCOMPARE(modeOf(unpacked(QStringLiteral("/opt/tipvault/tipvault"))), 0755);
        for (const char *name :
            { "libzipengine.so", "libunzipengine.so", "Sections.dat", "CheckVersion.dat" })
            QVERIFY2(modeOf(unpacked(QStringLiteral("/opt/tipvault/") + QLatin1String(name))) == 0644, name);
        QVERIFY(!QDir(unpacked(QStringLiteral("/opt/tipvault")))
                     .entryList({ QStringLiteral("*.tvm") })
                     .isEmpty());
        QCOMPARE(linkTarget(unpacked(QStringLiteral("/usr/bin/tipvault"))),
            QStringLiteral("/opt/tipvault/tipvault"));
        QCOMPARE(QDir(unpacked(QStringLiteral("/usr/bin")))
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
            (QStringList { QStringLiteral("tipvault"), QStringLiteral("tipvault-cli") }));
        QCOMPARE(linkTarget(unpacked(QStringLiteral("/usr/bin/tipvault-cli"))),
            QStringLiteral("/opt/tipvault/tipvault-cli"));
        QCOMPARE(modeOf(unpacked(QStringLiteral("/opt/tipvault/tipvault-cli"))), 0755);
        QVERIFY(
            QFile::exists(unpacked(QStringLiteral("/usr/share/bash-completion/completions/tipvault-cli"))));

        const QString share = unpacked(QStringLiteral("/usr/share/"));
        QVERIFY(QFile::exists(
            share + QStringLiteral("icons/hicolor/scalable/apps/") + kAppId + QStringLiteral(".svg")));
        QVERIFY(QFile::exists(
            share + QStringLiteral("icons/hicolor/48x48/apps/") + kAppId + QStringLiteral(".png")));
        QVERIFY(
            QFile::exists(share + QStringLiteral("metainfo/") + kAppId + QStringLiteral(".metainfo.xml")));
        QVERIFY(QFile::exists(share + QStringLiteral("doc/tipvault/copyright")));
        QVERIFY(QFile::exists(share + QStringLiteral("doc/tipvault/changelog.gz")));
        QFile entry(share + QStringLiteral("applications/") + kAppId + QStringLiteral(".desktop"));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray content = entry.readAll();
        QVERIFY(content.contains("\nExec=tipvault %u\n"));
        QVERIFY(content.contains("\nMimeType=x-scheme-handler/tipvault;\n"));
    }

    void everyFileBelongsToRoot()
    {
        const CommandResult list = runCommand(QStringLiteral("dpkg-deb"), { QStringLiteral("-c"), m_deb });
        QCOMPARE(list.code, 0);
        for (const QByteArray &line : list.out.trimmed().split('\n'))
            QVERIFY2(line.contains(" root/root "), line.constData());
    }

    void packedProgramRuns()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        const CommandResult version = runCommand(
            unpacked(QStringLiteral("/opt/tipvault/tipvault")), { QStringLiteral("--version") }, env);
        QCOMPARE(version.out, QByteArray("Tipvault " TV_VERSION "\n"));
    }

    void validators()
    {
        const CommandResult tree = runCommand(QStringLiteral("appstreamcli"),
            { QStringLiteral("validate-tree"), QStringLiteral("--no-net"), QStringLiteral("--strict"),
                m_root });
        QVERIFY2(tree.code == 0, qPrintable(tree.describe()));
        const CommandResult entry = runCommand(QStringLiteral("desktop-file-validate"),
            { unpacked(QStringLiteral("/usr/share/applications/")) + kAppId + QStringLiteral(".desktop") });
        QVERIFY2(entry.code == 0 && entry.out.isEmpty(), qPrintable(entry.describe()));
    }

    void lintianFindsNoError()
    {
        const CommandResult lintian = runCommand(
            QStringLiteral("lintian"), { QStringLiteral("--fail-on"), QStringLiteral("error"), m_deb });
        qInfo().noquote() << QString::fromLocal8Bit(lintian.out);
        QVERIFY2(lintian.code == 0, qPrintable(lintian.describe()));
    }
};

QTEST_GUILESS_MAIN(PackageTest)
#include "package_test.moc"
