// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/codepages.h"

#include <QHash>
#include <QString>

#include <array>
#include <vector>

namespace tv::rtfread {

/// @short The numbers and bullets of a document's list table.
///
/// Word writes each number again as "\listtext" before its paragraph, but not
/// every writer does; a paragraph that has only "\ls" and "\ilvl" is numbered
/// from the table: "\levelnfc0\levelstartat1{\leveltext\'02\'00.;}" counts
/// "1.", "2.", ...; "\levelnfc23{\leveltext\'01\u-3913 ?;}" is the bullet "•".
class ListNumbers
{
public:
    void beginList(); ///< "\list"
    void setListId(int id); ///< "\listid" of the list or of an override
    void beginLevel(); ///< "\listlevel"
    void setFormat(int nfc) { level().nfc = nfc; }
    void setStart(int start) { level().start = start; }
    void setFollow(int follow) { level().follow = follow; }
    void setLevelFont(ByteEncoding font) { level().encoding = font; }
    void levelTextChar(char16_t c);
    void beginOverride(); ///< "\listoverride"
    void setOverrideNumber(int ls); ///< "\ls" in the override table

    /// The next label of override @p ls at @p level, with what follows it ("1.\t"),
    /// counting on; empty when the document defines no such list.
    QString next(int ls, int level);

private:
    struct Level
    {
        int nfc = 0; // 0 decimal, 1/2 upper/lower roman, 3/4 upper/lower letter, 23 bullet, 255 none
        int start = 1;
        int follow = 0; // 0 a tab, 1 a space, 2 nothing
        ByteEncoding encoding = ByteEncoding::Windows;
        QString text; // the length, then characters and level placeholders 0..8
    };
    struct List
    {
        std::vector<Level> levels;
        std::array<int, 9> counts {}; // 0: not begun
    };
    struct Override
    {
        int listId = 0;
        int ls = 0;
    };

    Level &level();
    void commit(); // the list being read is complete
    QString labelText(const List &list, int level) const;

    QHash<int, List> m_lists; // by \listid
    QHash<int, int> m_overrides; // \ls -> \listid
    List m_list; // being read
    int m_listId = 0;
    bool m_inList = false;
    Override m_override;
    Level m_spare; // for level words outside any list
};

} // namespace tv::rtfread
