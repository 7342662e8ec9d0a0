import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quelso.Model

SidebarCategory {
    id: section
    required property var panel
    readonly property var settings: panel.settings
    // The engines in their enumeration order, named as the settings record names them.
    readonly property var providerLabels: [SettingsModel.AppleVision, SettingsModel.OpenAI, SettingsModel.Gemini,
                                           SettingsModel.Claude, SettingsModel.Custom]
        .map(p => settings.providerDisplayName(p))
    readonly property int provider: settings.renameProvider
    readonly property string providerLabel: providerLabels[provider]
    readonly property bool remote: settings.smartRename && provider !== SettingsModel.AppleVision

    title: "Rename"
    icon: "textformat"

    ToggleRow {
        panel: section.panel
        field: "smartRename"
        text: "Smart rename from content"
    }
    RowLayout {
        width: parent.width
        visible: section.settings.smartRename
        spacing: 8
        Text {
            text: "Engine"
            font.pixelSize: 12
            color: Theme.primary
        }
        ComboBox {
            objectName: "engineBox"
            Layout.fillWidth: true
            font.pixelSize: 12
            model: section.providerLabels
            currentIndex: section.provider
            Accessible.name: "Engine"
            onActivated: function (index) { section.panel.set("renameProvider", index) }
        }
    }
    Column {
        width: parent.width
        visible: section.remote
        spacing: 8

        TextField {
            objectName: "apiKeyField"
            width: parent.width
            font.pixelSize: 11
            echoMode: TextInput.Password
            placeholderText: section.providerLabel + " API key"
            text: section.settings.aiAPIKey
            Accessible.name: placeholderText
            onTextEdited: section.panel.set("aiAPIKey", text)
        }
        TextField {
            objectName: "baseUrlField"
            width: parent.width
            visible: section.provider === SettingsModel.Custom
            font.pixelSize: 11
            placeholderText: "Base URL (e.g. http://localhost:11434/v1)"
            text: section.settings.aiBaseURL
            Accessible.name: "Base URL"
            onTextEdited: section.panel.set("aiBaseURL", text)
        }
        TextField {
            objectName: "modelField"
            width: parent.width
            font.pixelSize: 11
            placeholderText: "Model (optional, default: " + section.settings.providerDefaultModel(section.provider) + ")"
            text: section.settings.aiModel
            Accessible.name: "Model"
            onTextEdited: section.panel.set("aiModel", text)
        }
        Row {
            spacing: 8
            SmallButton {
                objectName: "testKeyButton"
                text: "Test key"
                enabled: section.settings.aiAPIKey !== ""
                onClicked: section.panel.appModel.testKey()
            }
            Text {
                objectName: "keyTestStatus"
                anchors.verticalCenter: parent.verticalCenter
                readonly property int testState: section.panel.appModel.keyTestState
                visible: testState !== AppModel.KeyUntested
                text: section.panel.appModel.keyTestText
                color: testState === AppModel.KeyValid ? Theme.accent : testState === AppModel.KeyFailed ? Theme.red
                                                                                             : Theme.secondary
                font.pixelSize: 11
            }
        }
        NoteText {
            text: "Reads any-language text (incl. Persian), translates to English, returns up to 5 keywords. "
                  + "Key is saved in your system keyring."
        }
    }
    NoteText {
        visible: section.settings.smartRename && section.provider === SettingsModel.AppleVision
        text: "Offline: reads English + Persian/Arabic text → ASCII keywords; visual labels if no text. "
              + "For clean English from Persian, choose an AI engine."
    }
}
