// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakeseam.h"
#include "testdirs.h"

#include <QObject>

#include <memory>

/// @short Fresh temporary folders and a scripted seam for every test function.
///
/// A test class derives from it instead of QObject. Before each test function
/// m_dirs and then m_seam are new, and setUp() runs; after it tearDown() runs
/// and the seam goes, then the folders. setUp() lays out what the test stands
/// on (catalogue files, a main window ...), tearDown() frees what must go
/// before the seam and the folders do.
class TestFixture : public QObject
{
    Q_OBJECT

protected:
    virtual void setUp() { }
    virtual void tearDown() { }

    std::unique_ptr<TestDirs> m_dirs;
    std::unique_ptr<FakeSeam> m_seam;

private slots:
    // QtTest calls these by name around every test function of the derived class.
    void init();
    void cleanup();
};
