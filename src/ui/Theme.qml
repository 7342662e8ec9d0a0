pragma Singleton
import QtQuick

// The few colours of the dark, translucent window.
QtObject {
    readonly property color accent: Qt.rgba(0.0, 0.478, 1.0, 1)
    // "onAccent": QML reads a name beginning with "on" and a capital as a signal handler.
    readonly property color textOnAccent: "white"
    readonly property color warning: Qt.rgba(0.96, 0.72, 0.2, 1)
    readonly property color cardBg: Qt.rgba(1, 1, 1, 0.06)
    readonly property color cardStroke: Qt.rgba(1, 1, 1, 0.07)
    readonly property color chipBg: Qt.rgba(1, 1, 1, 0.08)

    // Text colours of a dark desktop: primary, secondary and tertiary labels, and the red of
    // failures, destructive actions and the Stop pill.
    readonly property color primary: Qt.rgba(1, 1, 1, 0.88)
    readonly property color secondary: Qt.rgba(1, 1, 1, 0.55)
    readonly property color tertiary: Qt.rgba(1, 1, 1, 0.28)
    readonly property color red: Qt.rgba(1.0, 0.27, 0.23, 1)
    // The window's own fill, behind everything.
    readonly property color windowFill: Qt.rgba(0.118, 0.118, 0.125, 1)
}
