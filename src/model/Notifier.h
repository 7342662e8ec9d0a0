#pragma once
// Notices to the user: a desktop notification over D-Bus when banners are on and a
// notification service owns or can start its name on the session bus, otherwise a short
// event sound when sounds are on. Main thread only.
#include <QObject>
#include <QString>

#include "settings/ProcessingSettings.h"

struct ca_context;

namespace quelso {

class Notifier : public QObject {
    Q_OBJECT

public:
    // The two fallback sounds: a completion chime and an error sound.
    enum class Sound { Glass, Funk };

    explicit Notifier(QObject* parent = nullptr);
    ~Notifier() override;

    // Delivers the notice "Quelso" / body as the switches in settings ask.
    void notify(const ProcessingSettings& settings, const QString& body, Sound fallback);

    // The sound-theme name standing for a fallback sound.
    static QString soundName(Sound sound);

signals:
    // A fallback sound was requested (whether or not a sound server could play it).
    void soundRequested(const QString& name);

private:
    void playSound(const QString& name);

    ca_context* sound_ = nullptr;
};

} // namespace quelso
