import QtQuick
import QtQuick.Controls.Basic

// A compact push button for the sidebar.
Button {
    font.pixelSize: 11
    leftPadding: 10
    rightPadding: 10
    topPadding: 3
    bottomPadding: 3
    Accessible.name: text
}
