#pragma once
// What every engine that shows the views needs: the model's types and the image sources.
class QQmlEngine;

namespace quelso {

class ThumbnailProvider;

// Registers the model's types under "Quelso.Model", the symbol and thumbnail images, and the
// import path of the bundled views. Safe to call for each new engine. The engine owns the
// thumbnail source that comes back; the models whose rows it shows must be watched by it.
ThumbnailProvider* prepareEngine(QQmlEngine& engine);

} // namespace quelso
