import QtQuick

// A one-point separator line; vertical when `vertical` is set.
Rectangle {
    property bool vertical: false
    property real strength: 1.0
    implicitWidth: vertical ? 1 : 0
    implicitHeight: vertical ? 0 : 1
    color: Qt.rgba(1, 1, 1, 0.16 * strength)
}
