import QtQuick
import QtQuick.Controls.Basic

// One output format of the format bar: a capsule with a document symbol and the format's name.
AbstractButton {
    id: chip
    property bool selected: false
    readonly property string tip: "Output as " + text

    leftPadding: 14
    rightPadding: 14
    topPadding: 7
    bottomPadding: 7
    hoverEnabled: true
    focusPolicy: Qt.TabFocus
    Accessible.name: text
    Accessible.description: tip
    Accessible.checkable: true
    Accessible.checked: selected
    ToolTip.text: tip
    ToolTip.visible: hovered
    ToolTip.delay: 600

    contentItem: Row {
        spacing: 6
        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: "doc.fill"
            size: 10
            color: label.color
        }
        Text {
            id: label
            anchors.verticalCenter: parent.verticalCenter
            text: chip.text
            font.pixelSize: 12
            font.weight: Font.DemiBold
            color: chip.selected ? Theme.textOnAccent : Theme.secondary
        }
    }

    background: Rectangle {
        radius: height / 2
        color: chip.selected ? Theme.accent : Theme.chipBg
        border.width: chip.selected ? 0 : 1
        border.color: Qt.rgba(1, 1, 1, 0.08)
        opacity: chip.pressed ? 0.8 : 1
    }
}
