#pragma once
// Base of window tests that need the language module and see message boxes as texts: it loads the
// module of Language() (German unless a test says otherwise) and collects every shown message in
// `shown`; both are undone after the test.
#include "base/LangSupp.h"
#include "ui/MainMessages.h"
#include "support/TestSupport.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace korvultest {

class MessageCaptureTest : public ::testing::Test {
protected:
    virtual const char *Language() const { return "DE"; }
    void SetUp() override {
        ASSERT_TRUE(korvul::LoadLanguageModuleFile(BinDir() + "/korvul" + Language() + ".lng"));
        korvul::SetShowMessageHook([this](const QString &text) { shown << text; });
    }
    void TearDown() override {
        korvul::SetShowMessageHook({});
        korvul::UnloadLanguageModule();
    }

    QStringList shown;
};

} // namespace korvultest
