// SPDX-License-Identifier: GPL-3.0-or-later
#include "testfixture.h"

void TestFixture::init()
{
    m_dirs = std::make_unique<TestDirs>();
    m_seam->clear();
    setUp();
}

void TestFixture::cleanup()
{
    tearDown();
    m_dirs.reset();
}
