#include "model/Notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariantMap>
#include <canberra.h>

#include "model/SessionBus.h"

namespace quelso {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kTitle = QStringLiteral("Quelso");
// The sound theme's usual notification sound: what a notice with sound plays by default.
const QString kNoticeSound = QStringLiteral("message-new-instant");

void sendBanner(const QString& body, bool withSound) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    if (withSound)
        hints.insert(QStringLiteral("sound-name"), kNoticeSound);
    else
        hints.insert(QStringLiteral("suppress-sound"), true);
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (server default)
    call << kTitle << 0u << QString() << kTitle << body << QStringList() << hints << -1;
    // Delivered at once; the answer (the notice's id) is of no use.
    QDBusConnection::sessionBus().asyncCall(call);
}

} // namespace

Notifier::Notifier(QObject* parent) : QObject(parent) {}

Notifier::~Notifier() {
    if (sound_) ca_context_destroy(sound_);
}

QString Notifier::soundName(Sound sound) {
    return sound == Sound::Glass ? QStringLiteral("complete") : QStringLiteral("dialog-error");
}

void Notifier::notify(const ProcessingSettings& settings, const QString& body, Sound fallback) {
    if (settings.notifyBanner && SessionBus::canReach(kService)) {
        sendBanner(body, settings.notifySound);
        return;
    }
    if (settings.notifySound) playSound(soundName(fallback));
}

void Notifier::playSound(const QString& name) {
    emit soundRequested(name);
    if (!sound_ && ca_context_create(&sound_) == CA_SUCCESS) {
        // Through the desktop's sound server (PulseAudio or PipeWire) only: the bare ALSA
        // route prints its failures to the terminal on a machine without sound.
        ca_context_set_driver(sound_, "pulse");
        ca_context_change_props(sound_, CA_PROP_APPLICATION_NAME, "Quelso", nullptr);
    }
    if (!sound_) return;
    // Without a sound server this fails quietly: the notice is simply not heard.
    ca_context_play(sound_, 0, CA_PROP_EVENT_ID, name.toUtf8().constData(), nullptr);
}

} // namespace quelso
