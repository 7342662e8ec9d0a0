// The key check the model runs for the views, reported through its state.
#include "ModelTestSupport.h"

namespace quelso::test {

class ServicesTest : public ModelTest {};

TEST_F(ServicesTest, TheKeyTestReportsThroughItsState) {
    auto model = makeModel();
    model->settings()->setRenameProvider(SettingsModel::OpenAI);
    model->testKey(); // no key: refused without asking anyone
    EXPECT_EQ(model->keyTestState(), AppModel::KeyTesting);
    EXPECT_EQ(model->keyTestText(), QStringLiteral("Testing\u2026"));
    ASSERT_TRUE(waitFor([&] { return model->keyTestState() != AppModel::KeyTesting; }));
    EXPECT_EQ(model->keyTestText(), QStringLiteral("\u2717 Failed"));
    model->settings()->setRenameProvider(SettingsModel::AppleVision);
    model->testKey(); // offline naming needs no key
    ASSERT_TRUE(waitFor([&] { return model->keyTestState() == AppModel::KeyValid; }));
    EXPECT_EQ(model->keyTestText(), QStringLiteral("\u2713 Valid"));
}

} // namespace quelso::test
