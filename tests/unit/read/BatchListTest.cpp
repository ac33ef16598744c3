// The pure parts of korvul-read batch: the device list, the order of the runs, the file name template
// and the run log's lines.
#include "read/BatchLog.h"
#include "read/BatchQueue.h"
#include "read/DeviceList.h"
#include "read/NameTemplate.h"

#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

// ---- device list ----

struct TListCase {
    const char *name;
    const char *text;
    int devices;
    int problemLine;        // line of the first problem, 0 for none
    const char *problemHas;
};

class DeviceListRows : public ::testing::TestWithParam<TListCase> {};

TEST_P(DeviceListRows, KeepsGoodEntriesAndReportsBadOnesByLine) {
    const TListCase &c = GetParam();
    const TDeviceList list = ParseDeviceList(QString::fromUtf8(c.text));
    EXPECT_EQ(list.Devices.size(), c.devices);
    if (c.problemLine == 0) {
        EXPECT_TRUE(list.Problems.isEmpty()) << list.Problems.value(0).Text.toStdString();
        return;
    }
    ASSERT_FALSE(list.Problems.isEmpty());
    EXPECT_EQ(list.Problems[0].Line, c.problemLine);
    EXPECT_TRUE(list.Problems[0].Text.contains(QString::fromUtf8(c.problemHas))) << list.Problems[0].Text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, DeviceListRows, ::testing::Values(
    TListCase{"good", "# c\n[a]\nport = COM1\n\n; c\n[b]\nport=rfc2217://gw:4001\nmode=bom\nchannel=2\n", 2, 0, ""},
    TListCase{"unknownKey", "[a]\nport = COM1\ncolour = red\n[b]\nport = COM2\n", 1, 1, "line 3: unknown setting"},
    TListCase{"badMode", "[a]\nport = COM1\nmode = sideways\n", 0, 1, "line 3: --mode"},
    TListCase{"badChannel", "[a]\nchannel = seven\n", 0, 1, "--channel"},
    TListCase{"badCodeMark", "[a]\ncode-mark = 300\n", 0, 1, "--code-mark"},
    TListCase{"badTemplate", "[a]\nname-template = {serial}.txt\n", 0, 1, "unknown placeholder"},
    TListCase{"badKind", "[a]\nread = process\n", 0, 1, "not archive or common"},
    TListCase{"twice", "[a]\nport = COM1\nport = COM2\n", 0, 1, "given twice"},
    TListCase{"emptyValue", "[a]\nport =\n", 0, 1, "has no value"},
    TListCase{"noEquals", "[a]\nport COM1\n", 0, 1, "line 2: \"port COM1\" is not key = value"},
    TListCase{"beforeSection", "port = COM1\n[a]\n", 1, 1, "before the first"},
    TListCase{"badName", "[a b]\nport = COM1\n[c]\n", 1, 1, "no device name"},
    TListCase{"sameName", "[a]\nport = COM1\n[A]\nport = COM2\n", 1, 3, "comes before"},
    TListCase{"bothCodes", "[a]\naccess-code = 1\naccess-code-file = /x\n", 0, 1, "exclude each other"},
    TListCase{"missingCodeFile", "[a]\naccess-code-file = /nonexistent/code\n", 0, 1, "cannot read"},
    TListCase{"everyErrorAtOnce", "[a]\ncolour = red\nmode = sideways\n", 0, 1, "unknown setting \"colour\"; line 3: --mode"},
    TListCase{"commonKind", "[a]\nread = common\nchannel = 2\n", 1, 0, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DeviceList, EntryBecomesTheArgumentsOfItsRunWithDefaultsAndCodeApart) {
    TBatchDefaults defaults{"/srv/out", "{device}.txt", "/etc/korvul.ini"};
    const TDeviceList list = ParseDeviceList(
        "[north]\nport = tcp://gw:1\naccess-code = 12345678\nchannel = all\n[south]\nread = common\n", defaults);
    ASSERT_EQ(list.Devices.size(), 2);
    const TDeviceEntry &north = list.Devices[0];
    EXPECT_EQ(north.Line, 1);
    EXPECT_EQ(north.AccessCode, QString("12345678"));
    EXPECT_FALSE(north.Arguments.join(' ').contains("12345678")) << "the code never shows in the process list";
    EXPECT_EQ(north.Arguments.last(), "archive");
    for (const char *part : {"--port tcp://gw:1", "--dir /srv/out", "--name-template {device}.txt",
                             "--settings /etc/korvul.ini", "--device-name north", "--channel all"})
        EXPECT_TRUE(north.Arguments.join(' ').contains(part)) << part;
    const QString south = list.Devices[1].Arguments.join(' ');
    EXPECT_TRUE(south.endsWith("common"));
    EXPECT_FALSE(south.contains("--dir")) << "the common data run writes no files";
    EXPECT_FALSE(south.contains("--name-template"));
}

TEST(DeviceList, LineKeyJoinsTheSameEndpointWhateverItsScheme) {
    auto key = [](const char *port) {
        TDeviceEntry e;
        e.Port = port;
        return LineKey(e);
    };
    EXPECT_EQ(key("tcp://GW:4001"), key("rfc2217://gw:4001"));
    EXPECT_NE(key("tcp://gw:4001"), key("tcp://gw:4002"));
    EXPECT_EQ(key("com1"), key("COM1"));
    EXPECT_EQ(key(""), "");
}

// ---- order of the runs ----

struct TQueueCase {
    const char *name;
    QStringList keys;
    int jobs;
    QList<QList<int>> waves;  // what starts together when every running device ends at once
};

class BatchQueueRows : public ::testing::TestWithParam<TQueueCase> {};

TEST_P(BatchQueueRows, StartsInListOrderWithinTheBoundAndOneDevicePerLine) {
    const TQueueCase &c = GetParam();
    TBatchQueue queue(c.keys, c.jobs);
    for (const QList<int> &wave : c.waves) {
        QList<int> started;
        while (const std::optional<int> next = queue.StartNext()) started << *next;
        EXPECT_EQ(started, wave);
        for (int d : started) queue.Finished(d);
    }
    EXPECT_TRUE(queue.Done());
}

INSTANTIATE_TEST_SUITE_P(Rows, BatchQueueRows, ::testing::Values(
    TQueueCase{"parallelLines", {"a", "b", "c"}, 4, {{0, 1, 2}}},
    TQueueCase{"bound", {"a", "b", "c"}, 2, {{0, 1}, {2}}},
    TQueueCase{"sameLineWaits", {"a", "a", "b", "a"}, 4, {{0, 2}, {1}, {3}}},
    TQueueCase{"settingsPortShared", {"", "", "x"}, 3, {{0, 2}, {1}}},
    TQueueCase{"oneJob", {"a", "b"}, 1, {{0}, {1}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(BatchQueue, CancelReturnsOnlyTheDevicesNeverStarted) {
    TBatchQueue queue({"a", "b", "c"}, 1);
    ASSERT_EQ(queue.StartNext(), 0);
    EXPECT_EQ(queue.Cancel(), (QList<int>{1, 2}));
    EXPECT_FALSE(queue.StartNext());
    queue.Finished(0);
    EXPECT_TRUE(queue.Done());
}

// ---- file names ----

struct TTemplateCase {
    const char *tmpl;
    const char *error;      // part of the error, "" when usable
    const char *expanded;   // for device "N/ord 1", ident 2461, channel 3, 2026-12-08 02:03:04
};

class NameTemplateRows : public ::testing::TestWithParam<TTemplateCase> {};

TEST_P(NameTemplateRows, ChecksAndExpands) {
    const TTemplateCase &c = GetParam();
    const QString error = CheckNameTemplate(QString::fromUtf8(c.tmpl));
    if (*c.error) {
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.error))) << error.toStdString();
        return;
    }
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const TNameFields f{"N/ord 1", "2461", 3, QDateTime(QDate(2026, 12, 8), QTime(2, 3, 4))};
    EXPECT_EQ(ExpandNameTemplate(QString::fromUtf8(c.tmpl), f), QString::fromUtf8(c.expanded));
}

INSTANTIATE_TEST_SUITE_P(Rows, NameTemplateRows, ::testing::Values(
    TTemplateCase{"{device}_{channel}_{date}.txt", "", "N_ord_1_3_20261208.txt"},
    TTemplateCase{"{ident}-{date}T{time}", "", "2461-20261208T020304"},
    TTemplateCase{"plain.txt", "", "plain.txt"},
    TTemplateCase{"{serial}.txt", "unknown placeholder", ""},
    TTemplateCase{"{device.txt", "brace", ""},
    TTemplateCase{"sub/{device}", "no \"/\"", ""},
    TTemplateCase{".{device}", "hidden", ""},
    TTemplateCase{"  ", "empty", ""}));

TEST(NameTemplate, TakenNamesGetANumberBeforeTheExtension) {
    EXPECT_EQ(NumberedName("a_1.txt", 1), "a_1.txt");
    EXPECT_EQ(NumberedName("a_1.txt", 2), "a_1-2.txt");
    EXPECT_EQ(NumberedName("a.b.txt", 3), "a.b-3.txt");
    EXPECT_EQ(NumberedName("plain", 2), "plain-2");
}

// ---- run log ----

TEST(BatchLog, IsoTimeCarriesTheZoneOffset) {
    const QDateTime utc(QDate(2026, 12, 8), QTime(1, 2, 3, 45), Qt::UTC);
    const QString text = IsoTime(utc);
    EXPECT_TRUE(QRegularExpression("^2026-12-0[78]T\\d\\d:\\d\\d:03\\.045[+-]\\d\\d:\\d\\d$").match(text).hasMatch())
        << text.toStdString();
    EXPECT_EQ(QDateTime::fromString(text, Qt::ISODateWithMs).toUTC(), utc);
}

TEST(BatchLog, DeviceLineIsOneJsonObjectWithEveryField) {
    TDeviceResult r;
    r.Device = "quote\"and\nnewline";
    r.Line = 7;
    r.Port = "rfc2217://gw:1";
    r.Start = r.End = QDateTime::currentDateTime();
    r.Files = QStringList{"/a b/tempz.999"};
    r.Records = 12;
    r.Result = 4;
    r.Message = "no answer";
    const QByteArray line = DeviceLogLine(r);
    ASSERT_TRUE(line.endsWith('\n'));
    EXPECT_EQ(line.count('\n'), 1) << "one object, one line";
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    EXPECT_EQ(o["device"].toString(), r.Device);
    for (const char *key : {"event", "device", "line", "port", "start", "end", "files", "records", "result", "message"})
        EXPECT_TRUE(o.contains(key)) << key;
    EXPECT_EQ(o["records"].toInt(), 12);
    EXPECT_EQ(o["files"].toArray().first().toString(), "/a b/tempz.999");
}

TEST(BatchLog, RecordsAreTheDataLinesOfTheArchiveSection) {
    EXPECT_EQ(ArchiveRecordCount("[COMMONDATA]\r\nx=1\r\n[IVDATA]\r\nx1=00\r\nx2=01\r\n"), 2);
    EXPECT_EQ(ArchiveRecordCount("[COMMONDATA]\r\nx=1\r\n"), 0);
    EXPECT_EQ(ArchiveRecordCount("[IVDATA]\r\n"), 0);
}

TEST(BatchLog, RunMessageKeepsEveryLineOnceWithoutThePrefix) {
    EXPECT_EQ(RunMessage(0, "korvul-read: something"), "ok");
    EXPECT_EQ(RunMessage(4, "korvul-read: Reading failed\nkorvul-read: network port x: dropped\nkorvul-read: Reading failed\n"),
              "Reading failed | network port x: dropped");
    EXPECT_EQ(RunMessage(9, ""), "ended with exit code 9");
}

} // namespace
