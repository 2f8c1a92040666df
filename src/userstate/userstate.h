// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

/// @short What a reader keeps between sessions for one catalogue folder:
/// favourites, the place last shown and the zoom of text parts.
///
/// It lives in the user's configuration folder, one file per catalogue folder,
/// never beside the catalogue (which may be read-only and belongs to the
/// catalogue). Entries are named by their Section file and their name, so that
/// an update that adds entries moves nothing:
///
///     { "format": "tipvault-user-state", "version": 1,
///       "catalogue": "/opt/tipvault/",
///       "session": { "section": "Grafik", "entry": "Bitmaps laden", "part": 2 },
///       "zoom": 120,
///       "favourites": [ { "title": "Bitmaps", "section": "Grafik", "entry": "Bitmaps laden" } ] }
///
/// Names are Windows-1252 bytes in memory and their characters in the file.
class QJsonObject;

namespace tv {

/// An entry and one of its tabs: `section` is the <name> of "Section_<name>.dat",
/// `part` the part tab (from 1), 0 for "Index", negative for the tab a click on
/// the entry shows. An empty entry names only the section. TForm1::showPlace
/// is the one way to show it.
struct EntryRef
{
    QByteArray section;
    QByteArray entry;
    int part = 0;

    bool operator==(const EntryRef &) const = default;
    bool isEmpty() const { return section.isEmpty() && entry.isEmpty(); }
};

/// Writes `root` to `path` atomically, making its folder first; 0, or the
/// errno of the failure, after which the old file is as it was.
int writeJsonFile(const QString &path, const QJsonObject &root);

struct Favourite
{
    QString title;
    EntryRef ref; // part is 0: a favourite opens its entry as a click does
};

class UserState
{
public:
    enum class LoadResult {
        Fresh, // no file yet
        Loaded,
        Damaged, // unreadable, not our format, or not for this catalogue: ignored
    };

    static constexpr int kDefaultZoom = 100;
    static constexpr int kMinZoom = 50;
    static constexpr int kMaxZoom = 300;

    /// The file that belongs to the catalogue in `catalogueDir`:
    /// <AppConfigLocation>/catalogues/<hash of the folder's canonical path>.json.
    static QString fileFor(const QString &catalogueDir);

    /// State for the catalogue in `catalogueDir`, kept in `path`; empty until load().
    UserState(QString catalogueDir, QString path);

    /// Reads the file. Anything but a file of ours for this catalogue leaves
    /// the state empty; it is replaced by the next save().
    LoadResult load();
    /// Writes the file atomically; false (and the old file untouched) when it
    /// could not, with errno in error().
    bool save();
    int error() const { return m_error; }
    const QString &path() const { return m_path; }

    const QList<Favourite> &favourites() const { return m_favourites; }
    /// False when the entry is a favourite already.
    bool addFavourite(const Favourite &favourite);
    int favouriteIndex(const EntryRef &ref) const;
    void renameFavourite(int index, const QString &title);
    void removeFavourite(int index);
    /// Moves the favourite at `from` so that it ends up at `to`.
    void moveFavourite(int from, int to);
    void setFavourites(const QList<Favourite> &favourites) { m_favourites = favourites; }

    const EntryRef &session() const { return m_session; }
    void setSession(const EntryRef &ref) { m_session = ref; }

    /// The text parts' zoom in percent, kept within kMinZoom..kMaxZoom.
    int zoom() const { return m_zoom; }
    void setZoom(int percent);

private:
    QString m_catalogueDir;
    QString m_path;
    QList<Favourite> m_favourites;
    EntryRef m_session;
    int m_zoom = kDefaultZoom;
    int m_error = 0;
};

/// The canonical form of a catalogue folder, ending with "/": the key of its state.
QString catalogueKey(const QString &catalogueDir);

} // namespace tv
