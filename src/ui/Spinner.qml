import QtQuick
import QtQuick.Controls

// The small progress spinner of a processing row: three quarters of a ring in the accent
// colour, turning once a second. Drawn here rather than by the style, whose indicator is
// dark on this dark window and fades in over the first quarter second.
BusyIndicator {
    id: control
    implicitWidth: 20
    implicitHeight: 20
    padding: 0

    contentItem: Item {
        Canvas {
            id: ring
            anchors.fill: parent
            antialiasing: true
            onPaint: {
                const context = getContext("2d")
                const lineWidth = Math.max(2, width / 9)
                context.reset()
                context.lineWidth = lineWidth
                context.lineCap = "round"
                context.strokeStyle = Theme.accent
                context.beginPath()
                context.arc(width / 2, height / 2, (Math.min(width, height) - lineWidth) / 2, 0, Math.PI * 1.5)
                context.stroke()
            }
            onWidthChanged: requestPaint()
            onHeightChanged: requestPaint()

            RotationAnimator on rotation {
                from: 0
                to: 360
                duration: 1000
                loops: Animation.Infinite
                running: control.running && control.visible
            }
        }
    }
}
