// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakeseam.h"
#include "testdirs.h"

#include <QObject>

#include <memory>

/// @short Fresh temporary folders and a scripted seam for every test function.
///
/// A test class derives from it instead of QObject. Before each test function
/// m_dirs are new, m_seam is as new, and setUp() runs; after it tearDown()
/// runs, then the folders go. setUp() lays out what the test stands on
/// (catalogue files, a main window ...), tearDown() frees what must go before
/// the folders do. The seam itself lives as long as the fixture, so that a
/// test's main() can hand it to the application's error report too.
class TestFixture : public QObject
{
    Q_OBJECT

public:
    FakeSeam &seam() { return *m_seam; }

protected:
    virtual void setUp() { }
    virtual void tearDown() { }

    std::unique_ptr<TestDirs> m_dirs;
    const std::unique_ptr<FakeSeam> m_seam = std::make_unique<FakeSeam>();

private slots:
    // QtTest calls these by name around every test function of the derived class.
    void init();
    void cleanup();
};
