import QtQuick

// A warning under the controls it is about.
Row {
    property alias text: label.text
    width: parent ? parent.width : implicitWidth
    spacing: 5

    Symbol {
        y: 1
        name: "exclamationmark.triangle.fill"
        size: 9
        color: Theme.warning
    }
    Text {
        id: label
        width: parent.width - 14
        font.pixelSize: 10
        color: Theme.warning
        wrapMode: Text.WordWrap
    }
}
