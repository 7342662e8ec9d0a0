import QtQuick
import QtQuick.Controls.Basic

// A plain button that is only a symbol, with a tooltip that also names it for assistive tools.
AbstractButton {
    id: button
    property string symbol
    property real symbolSize: 12
    property color symbolColor: Theme.primary
    property string tip

    implicitWidth: Math.max(symbolSize + 8, 22)
    implicitHeight: Math.max(symbolSize + 8, 22)
    hoverEnabled: true
    focusPolicy: Qt.TabFocus
    Accessible.name: tip
    ToolTip.text: tip
    ToolTip.visible: hovered && tip !== ""
    ToolTip.delay: 600

    contentItem: Item {
        Symbol {
            anchors.centerIn: parent
            name: button.symbol
            size: button.symbolSize
            color: button.symbolColor
        }
    }
    background: Rectangle {
        radius: 6
        color: button.pressed ? Qt.rgba(1, 1, 1, 0.12) : button.hovered ? Qt.rgba(1, 1, 1, 0.06) : "transparent"
    }
    opacity: enabled ? 1 : 0.35
}
