import QtQuick

// A short explanation under a control.
Text {
    width: parent ? parent.width : implicitWidth
    font.pixelSize: 10
    color: Theme.secondary
    opacity: 0.8
    wrapMode: Text.WordWrap
}
