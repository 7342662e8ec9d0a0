import QtQuick
import QtQuick.Layouts

// The window's content: the list column on the left, the settings on the right.
Item {
    id: content
    required property var appModel

    RowLayout {
        anchors.fill: parent
        spacing: 0

        ColumnLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 0

            HeaderBar { Layout.fillWidth: true }
            Divider { Layout.fillWidth: true; strength: 0.35 }
            FormatBar {
                Layout.fillWidth: true
                appModel: content.appModel
            }
            Divider { Layout.fillWidth: true; strength: 0.35 }
            FileListView {
                id: fileList
                Layout.fillWidth: true
                Layout.fillHeight: true
                appModel: content.appModel
                onAddRequested: dialogs.addImages()
            }
            Divider { Layout.fillWidth: true }
            BottomBar {
                Layout.fillWidth: true
                appModel: content.appModel
                onAddRequested: dialogs.addImages()
            }
        }
        Divider {
            vertical: true
            Layout.fillHeight: true
            strength: 0.4
        }
        SettingsPanel {
            Layout.preferredWidth: 360
            Layout.fillHeight: true
            appModel: content.appModel
            dialogs: dialogs
        }
    }

    Dialogs {
        id: dialogs
        appModel: content.appModel
    }

    Shortcut {
        sequence: StandardKey.Open
        onActivated: dialogs.addImages()
    }
    Shortcut {
        sequences: ["Ctrl+Return", "Ctrl+Enter"]
        enabled: content.appModel.canRun && !content.appModel.isProcessing
        onActivated: content.appModel.processAll()
    }
    Shortcut {
        sequence: "Escape"
        enabled: content.appModel.isProcessing
        onActivated: content.appModel.stopAll()
    }
    Shortcut {
        sequence: StandardKey.Delete
        onActivated: fileList.removeCurrent()
    }
}
