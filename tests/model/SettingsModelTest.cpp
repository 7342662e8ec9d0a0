// The settings object as the views bind to it.
#include <QCoreApplication>
#include <QMetaProperty>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "model/SettingsModel.h"

namespace quelso {

namespace {

// A value different from the current one, of the property's type.
QVariant otherValue(const QMetaProperty& p, const QVariant& now) {
    switch (p.userType()) {
    case QMetaType::Bool:
        return !now.toBool();
    case QMetaType::Int:
        return now.toInt() == 1 ? 2 : 1; // a valid enumeration value for both enumerations
    case QMetaType::Double:
        return now.toDouble() + 0.25;
    case QMetaType::QString:
        return now.toString() + QStringLiteral("x\u00E9");
    case QMetaType::QColor:
        return QColor(10, 20, 30);
    default:
        return {};
    }
}

} // namespace

TEST(SettingsModel, EveryWritablePropertyStoresItsOwnFieldAndAnnouncesItOnce) {
    SettingsModel settings;
    const QMetaObject* meta = settings.metaObject();
    int writable = 0;
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (!p.isWritable()) continue;
        ++writable;
        const ProcessingSettings before = settings.record();
        const QVariant value = otherValue(p, p.read(&settings));
        ASSERT_TRUE(value.isValid()) << p.name();
        QSignalSpy own(&settings, p.notifySignal());
        QSignalSpy edited(&settings, &SettingsModel::edited);
        ASSERT_TRUE(p.write(&settings, value)) << p.name();
        EXPECT_EQ(p.read(&settings), value) << p.name();
        EXPECT_EQ(own.count(), 1) << p.name();
        EXPECT_EQ(edited.count(), 1) << p.name();
        EXPECT_NE(settings.record(), before) << p.name();
        // Writing the same value again is no change and announces nothing.
        p.write(&settings, value);
        EXPECT_EQ(own.count(), 1) << p.name();
        EXPECT_EQ(edited.count(), 1) << p.name();
    }
    EXPECT_EQ(writable, 49); // every field but the two logo pictures and their two names
}

TEST(SettingsModel, UnknownFormatValuesAreIgnored) {
    SettingsModel settings;
    settings.setOutputFormat(SettingsModel::Heif);
    EXPECT_EQ(settings.record().outputFormat, OutputFormat::heif);
    settings.setOutputFormat(4);
    settings.setOutputFormat(-1);
    EXPECT_EQ(settings.record().outputFormat, OutputFormat::heif);
}

// The badge count, the thresholds and the lossy-watermark warning are driven through the
// sidebar in tst_sidebar.qml; this is the case the views do not reach.
TEST(SettingsModel, SwitchedOffEffectsAreNeverStrong) {
    SettingsModel b;
    b.setTwirlIntensity(0.9); // strong but switched off
    b.setWaveEnabled(true);
    b.setWaveIntensity(0.5); // on, but not above the threshold
    EXPECT_FALSE(b.aggressiveModification());
    b.setWaveIntensity(0.51);
    EXPECT_TRUE(b.aggressiveModification());
}

} // namespace quelso
