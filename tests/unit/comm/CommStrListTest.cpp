#include "support/TestSupport.h"
#include "comm/StrList.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using korvul::TStrList;

TEST(CommStrList, KeyMatchesOnlyTheWholeTextBeforeTheFirstEquals) {
    TStrList list{"bb=1", "b", "b=7", "b=8", "c=x=y"};
    EXPECT_EQ(list.IndexOfKey("b"), 2);
    EXPECT_EQ(list.GetValue("b"), "7");
    EXPECT_EQ(list.GetValue("c"), "x=y");
    EXPECT_EQ(list.IndexOfKey("B"), -1);  // case-sensitive
    EXPECT_EQ(list.IndexOfKey("c=x"), -1);
    EXPECT_EQ(list.GetValue("q"), "");
    EXPECT_EQ(TStrList{"=v"}.GetValue(""), "v");
}

TEST(CommStrList, SetValueReplacesAppendsAndDeletes) {
    TStrList list{"a=1", "z=240517"};
    list.SetValue("x", "1");
    list.SetValue("x", "1");
    EXPECT_EQ(list, (TStrList{"a=1", "z=240517", "x=1"}));
    list.SetValue("a", "2");
    EXPECT_EQ(list.at(0), "a=2");
    list.SetValue("z", "");
    EXPECT_EQ(list, (TStrList{"a=2", "x=1"}));
    list.SetValue("z", "");  // no line: unchanged
    EXPECT_EQ(list, (TStrList{"a=2", "x=1"}));
}

TEST(CommStrList, SavesWithCrLfInTheProgramCodePageAndLoadsBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    TStrList list{"a=2461", QString::fromUtf8("f=Müller"), ""};
    ASSERT_TRUE(list.SaveToFile(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("a=2461\r\nf=M\xFCller\r\n\r\n"));
    TStrList back;
    ASSERT_TRUE(back.LoadFromFile(path));
    EXPECT_EQ(back, list);
    EXPECT_FALSE(list.SaveToFile(dir.filePath("missing/dir/list.txt")));
}
