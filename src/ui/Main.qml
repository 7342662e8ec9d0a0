import QtQuick
import QtQuick.Controls.Basic

// The one window: always dark, see-through where the compositor allows it.
ApplicationWindow {
    id: window
    required property var appModel
    // Set by the start-up code: whether the windowing system blends the window with what is behind.
    property bool translucent: false

    title: "Quelso"
    width: 1100
    height: 720
    minimumWidth: 900
    minimumHeight: 560
    visible: true
    color: translucent ? "transparent" : Theme.windowFill
    // The colours the stock controls draw with.
    palette.window: Theme.windowFill
    palette.windowText: Theme.primary
    palette.base: Qt.rgba(1, 1, 1, 0.07)
    palette.alternateBase: Qt.rgba(1, 1, 1, 0.04)
    palette.text: Theme.primary
    palette.placeholderText: Theme.tertiary
    palette.button: Qt.rgba(1, 1, 1, 0.12)
    palette.buttonText: Theme.primary
    palette.brightText: "white"
    palette.highlight: Theme.accent
    palette.highlightedText: Theme.textOnAccent
    palette.light: "#3a3a3c"
    palette.midlight: "#48484a"
    palette.mid: "#636366"
    palette.dark: "#8e8e93"
    palette.shadow: "black"
    palette.toolTipBase: "#2c2c2e"
    palette.toolTipText: Theme.primary
    palette.disabled.windowText: Theme.tertiary
    palette.disabled.text: Theme.tertiary
    palette.disabled.buttonText: Theme.tertiary
    font.pixelSize: 13

    Rectangle {
        anchors.fill: parent
        visible: window.translucent
        color: Qt.rgba(Theme.windowFill.r, Theme.windowFill.g, Theme.windowFill.b, 0.86)
    }

    ContentView {
        anchors.fill: parent
        appModel: window.appModel
    }
}
