import QtQuick
import QtQuick.Dialogs

// The open dialogs: images to add, the output folder, and the two logo pictures.
Item {
    id: dialogs
    required property var appModel
    readonly property var imageFilters: [
        "Images (" + appModel.supportedExtensions.map(e => "*." + e + " *." + e.toUpperCase()).join(" ") + ")"
    ]

    function addImages() { addDialog.open() }
    function chooseDestination() { destinationDialog.open() }
    function chooseWatermarkLogo() { logoDialog.open() }
    function chooseLogoStamp() { stampDialog.open() }

    FileDialog {
        id: addDialog
        title: "Add Images"
        fileMode: FileDialog.OpenFiles
        nameFilters: dialogs.imageFilters
        onAccepted: dialogs.appModel.addFiles(selectedFiles)
    }
    FolderDialog {
        id: destinationDialog
        title: "Destination"
        acceptLabel: "Choose"
        onAccepted: dialogs.appModel.setDestination(selectedFolder)
    }
    FileDialog {
        id: logoDialog
        title: "Watermark Logo"
        nameFilters: dialogs.imageFilters
        onAccepted: dialogs.appModel.setLogo(selectedFile)
    }
    FileDialog {
        id: stampDialog
        title: "Logo"
        nameFilters: dialogs.imageFilters
        onAccepted: dialogs.appModel.setLogoStamp(selectedFile)
    }
}
