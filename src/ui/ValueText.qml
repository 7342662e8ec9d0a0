import QtQuick

// A number beside a slider, at 11 points (the sans fonts of the desktop have digits of equal width).
Text {
    font.pixelSize: 11
    color: Theme.secondary
}
