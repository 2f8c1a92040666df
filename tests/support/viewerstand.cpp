// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewerstand.h"

#include "catalogue/catalogue.h"
#include "catalogue/entry.h"
#include "catalogue/errorreport.h"
#include "viewer/archivepart.h"
#include "viewer/entryviewer.h"
#include "viewer/findbar.h"
#include "viewer/htmlpart.h"
#include "viewer/indexgrid.h"
#include "viewer/textpart.h"
#include "viewer/wwwpart.h"
#include "zip/zipaccess.h"

#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

ViewerStand::ViewerStand(tv::Seam &seam)
    : m_pages(new QTabWidget(this))
    , m_grid(new tv::IndexGrid)
    , m_zip(std::make_unique<tv::TZipAccess>(seam))
{
    using namespace tv;
    resize(700, 480);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    auto *index = new QWidget;
    auto *indexLayout = new QVBoxLayout(index);
    indexLayout->setContentsMargins(0, 0, 0, 0);
    indexLayout->addWidget(m_grid);
    m_pages->addTab(index, QStringLiteral("Index"));
    connect(m_grid, &IndexGrid::resized, m_grid, &IndexGrid::fitToSize);

    m_zip->setEngineDirectory(qEnvironmentVariable("TIPVAULT_TEST_BIN"));
    m_zip->setExtrOptions(ExtrOverWrite);
    ViewerHost host;
    host.newestModule = [newest = GetNewestModul()] { return newest; }; // read once, as at the start
    host.zip = m_zip.get();
    m_viewer = new EntryViewer(m_pages, m_grid, seam, std::move(host), this);
    connect(m_viewer, &EntryViewer::statusChanged, this, [this](const QString &text) { m_status = text; });
    const PartContext &parts = m_viewer->partContext();
    m_viewer->setBuilder(PartKind::Text, std::make_unique<TextPartBuilder>(parts, this));
    m_viewer->setBuilder(PartKind::Archive, std::make_unique<ArchivePartBuilder>(parts));
    m_viewer->setBuilder(PartKind::Html, std::make_unique<HtmlPartBuilder>(parts));
    m_viewer->setBuilder(PartKind::Www, std::make_unique<WwwPartBuilder>(parts));
    m_findBar = new FindBar(m_viewer, this);
    layout->addWidget(m_findBar);
}

ViewerStand::~ViewerStand() = default;

std::unique_ptr<ViewerStand> ViewerStand::start(tv::Seam &seam)
{
    auto stand = std::make_unique<ViewerStand>(seam);
    stand->show();
    if (!QTest::qWaitForWindowExposed(stand.get()))
        return nullptr;
    return stand;
}

void ViewerStand::click(const QByteArray &section, int row)
{
    // The list shows the Section file's entries in their order.
    const QList<QByteArray> names = tv::SectionFile::ofLine(section).entryNames();
    tv::guarded(m_viewer->partContext().seam(), [&] {
        m_viewer->SectionListBoxClick({ row, int(names.size()), names.value(row), section });
    });
}
