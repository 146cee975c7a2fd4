// The table of EPSG codes by kind that the build without GDAL refuses codes from agrees with
// PROJ, through GDAL, on every code PROJ's database holds and on the codes beside them: the
// Windows plotaktar-cli refuses the same --crs codes with the same words as the Linux one.

#include <sqlite3.h>

#include <optional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "exchange/system_kinds.h"
#include "gis/reprojection.h"

namespace plotaktar::testing {
namespace {

// The EPSG codes of every coordinate system in PROJ's database.
std::set<int> EpsgCodes() {
    sqlite3* db = nullptr;
    std::set<int> codes;
    if (sqlite3_open_v2(PLOTAKTAR_PROJ_DB, &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT code FROM crs_view WHERE auth_name = 'EPSG'", -1,
                               &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                codes.insert(
                    std::stoi(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return codes;
}

// The refusal's words, or nothing when the code is taken.
template <typename Check>
std::optional<std::string> Refusal(Check check) {
    try {
        check();
    } catch (const Error& e) {
        return e.message();
    }
    return std::nullopt;
}

TEST(EpsgSystemKinds, RefuseWhatProjRefusesInTheSameWords) {
    KeepGdalQuiet();
    const std::set<int> held = EpsgCodes();
    ASSERT_GT(held.size(), 5000u);
    std::set<int> codes = {-1, 0, 1, 1999, 99999, 2147483647};
    for (int code : held) {
        codes.insert({code - 1, code, code + 1});
    }
    int differing = 0;
    for (int code : codes) {
        for (bool drawing : {true, false}) {
            const int source = drawing ? code : 0, target = drawing ? 0 : code;
            const auto proj = Refusal([&] { CheckSystemKinds(source, target); });
            const auto table = Refusal([&] { CheckEpsgSystemKinds(source, target); });
            if (proj != table && ++differing <= 10) {
                ADD_FAILURE() << (drawing ? "--crs" : "--to") << " EPSG:" << code << ": PROJ "
                              << proj.value_or("takes it") << "; the table "
                              << table.value_or("takes it");
            }
        }
    }
    EXPECT_EQ(differing, 0);
    // The kinds the refusal names, as PROJ has them.
    EXPECT_EQ(EpsgSystemKind(5254), SystemKind::Projected);
    EXPECT_EQ(EpsgSystemKind(4326), SystemKind::Geographic2D);
    EXPECT_EQ(EpsgSystemKind(4979), SystemKind::Geographic3D);
    EXPECT_EQ(EpsgSystemKind(4978), SystemKind::Geocentric);
    EXPECT_EQ(EpsgSystemKind(5773), SystemKind::Vertical);
    EXPECT_EQ(EpsgSystemKind(9518), SystemKind::Compound);
}

}  // namespace
}  // namespace plotaktar::testing
