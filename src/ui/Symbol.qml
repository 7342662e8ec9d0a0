import QtQuick

// One of the bundled symbols, tinted. `size` is the symbol's point size, as for a font.
Image {
    id: symbol
    property string name
    property real size: 12
    property color color: Theme.primary

    width: size
    height: size
    sourceSize: Qt.size(Math.ceil(size * Screen.devicePixelRatio), Math.ceil(size * Screen.devicePixelRatio))
    source: name ? "image://symbol/" + name + "/" + color : ""
    fillMode: Image.PreserveAspectFit
    smooth: true
    Accessible.ignored: true
}
