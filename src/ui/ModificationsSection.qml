import QtQuick

SidebarCategory {
    id: section
    required property var panel
    title: "Modifications"
    icon: "wand.and.stars"
    badge: panel.settings.activeModCount

    NoiseRow { panel: section.panel }
    ModRow { panel: section.panel; label: "Warp"; enabledField: "warpEnabled"; intensityField: "warpIntensity" }
    ModRow { panel: section.panel; label: "Soften / blur"; enabledField: "blurEnabled"; intensityField: "blurIntensity" }
    ModRow { panel: section.panel; label: "Sharpen"; enabledField: "sharpenEnabled"; intensityField: "sharpenIntensity" }
    ModRow { panel: section.panel; label: "Brightness / contrast"; enabledField: "bcEnabled"; intensityField: "bcIntensity" }
    ModRow { panel: section.panel; label: "Vignette"; enabledField: "vignetteEnabled"; intensityField: "vignetteIntensity" }
    MotionBlurRow { panel: section.panel }
    ModRow { panel: section.panel; label: "Wave"; enabledField: "waveEnabled"; intensityField: "waveIntensity" }
    ModRow { panel: section.panel; label: "Twirl"; enabledField: "twirlEnabled"; intensityField: "twirlIntensity" }
    ModRow { panel: section.panel; label: "Grain"; enabledField: "grainEnabled"; intensityField: "grainIntensity" }
    Divider { width: parent.width; strength: 0.2 }
    ToggleRow { panel: section.panel; field: "colorShift"; text: "Subtle color shift" }
    ToggleRow { panel: section.panel; field: "forceUnique"; text: "Force 99 %+ pixels changed" }
    ToggleRow { panel: section.panel; field: "microGeometry"; text: "Micro-crop (changes dimensions)" }
    WarningText {
        objectName: "strongWarning"
        visible: section.panel.settings.aggressiveModification
        text: "Extreme pixel shifting/stylization will distort the mathematical signature pattern."
    }
}
