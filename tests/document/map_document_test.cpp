#include "document/map_document.h"

#include <gtest/gtest.h>

using namespace grivendale;

TEST(MapDocument, Placeholder) {
    MapDocument doc;
    EXPECT_EQ(doc.BackgroundPath.size(), 500);
}
