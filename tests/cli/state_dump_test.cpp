// The JSON state dump checked with an independent reader: Qt's JSON parser and Qt's
// windows-1254 decoder must give back every text of the workspace.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "cli/state_dump.h"
#include "model/workspace.h"

namespace plotaktar::cli {
namespace {

QString QtDecoded(const std::string& bytes) {
    QStringDecoder decoder("windows-1254");
    EXPECT_TRUE(decoder.isValid());
    return decoder.decode(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QJsonObject Dumped(const Workspace& workspace) {
    std::FILE* file = std::tmpfile();
    EXPECT_TRUE(WriteStateJson(workspace, file));
    std::string json;
    std::rewind(file);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        json.append(buffer, n);
    }
    std::fclose(file);
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.object();
}

TEST(StateDump, EveryByteDecodesAsQtDecodesWindows1254) {
    std::string everyByte;
    for (int b = 0; b < 256; ++b) {
        everyByte += static_cast<char>(b);
    }
    Workspace workspace;
    WriteHeaderRows(workspace);
    workspace.grid(6).setCell(10, 2, everyByte);
    workspace.layerTable.setField(150, 3, everyByte);
    workspace.flags.FlagYazi = "1";

    QJsonObject root = Dumped(workspace);
    QJsonArray cells = root["grids"].toObject()["StringGrid6"].toObject()["cells"].toArray();
    EXPECT_EQ(cells[2].toArray()[10].toString(), QtDecoded(everyByte));
    EXPECT_EQ(cells[0].toArray()[7].toString(), QString::fromUtf8("Tabaka No"));
    EXPECT_EQ(cells[0].toArray()[8].toString(), QString::fromUtf8("İtalik"));
    QJsonArray layers = root["layerTable"].toArray();
    ASSERT_EQ(layers.size(), 150);
    EXPECT_EQ(layers[149].toArray().size(), 8);
    EXPECT_EQ(layers[149].toArray()[2].toString(), QtDecoded(everyByte));
    EXPECT_EQ(root["flags"].toObject()["FlagYazi"].toString(), "1");
    EXPECT_EQ(root["flags"].toObject()["FlagSev"].toString(), "");
    EXPECT_EQ(root["flags"].toObject().size(), 10);
}

TEST(StateDump, OnlyTheVisibleCellsAreWritten) {
    Workspace workspace;
    Table& corners = workspace.grid(11);
    corners.setCell(4, 6, "hidden row");
    corners.setCell(12, 1, "hidden column");
    corners.setRowCount(3);
    corners.setColCount(2);

    QJsonObject root = Dumped(workspace);
    QJsonObject grids = root["grids"].toObject();
    EXPECT_EQ(grids.size(), 13);
    QJsonObject grid = grids["StringGrid11"].toObject();
    EXPECT_EQ(grid["rowCount"].toInt(), 3);
    EXPECT_EQ(grid["colCount"].toInt(), 2);
    QJsonArray cells = grid["cells"].toArray();
    ASSERT_EQ(cells.size(), 3);
    for (const QJsonValue& row : cells) {
        EXPECT_EQ(row.toArray().size(), 2);
    }
    EXPECT_EQ(grids["StringGrid13"].toObject()["cells"].toArray().size(), 5);
}

TEST(StateDump, AFailedWriteIsReported) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    Workspace workspace;
    for (int row = 1; row < 20000; ++row) {
        workspace.grid(3).setCell(1, row, "2501");
    }
    workspace.grid(3).setRowCount(20000);
    EXPECT_FALSE(WriteStateJson(workspace, full));
    std::fclose(full);
}

}  // namespace
}  // namespace plotaktar::cli
