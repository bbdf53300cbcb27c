#include "packaged_table.h"
#include "stroke_table.h"

#include <gtest/gtest.h>

#include <string>

// This test program carries no packaged table, as a broken build or package would.
TEST(MissingTable, LoadNamesTheMissingItem) {
    try {
        LoadStrokeTable();
        FAIL() << "loading succeeded without a packaged table";
    } catch (const StrokeTableError& error) {
        const std::string message = error.what();
        // Each platform's loader names the item its own way (kStrokeTableResource).
        EXPECT_NE(message.find(kStrokeTableResource), std::string::npos) << message;
        EXPECT_NE(message.find(std::to_string(kStrokeTableId)), std::string::npos) << message;
        EXPECT_NE(message.find("missing"), std::string::npos) << message;
    }
}
