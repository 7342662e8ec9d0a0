import QtQuick

SidebarCategory {
    title: "Help"
    icon: "questionmark.circle"

    HelpStep { number: "1"; text: "Drag images in (or click +). WebP, PNG, JPEG, HEIC, TIFF are supported." }
    HelpStep { number: "2"; text: "Pick an output format above the list (WebP · PNG · JPEG · HEIF)." }
    HelpStep {
        number: "3"
        text: "Turn on what you need here — by default Quelso strips metadata, renames from content, "
              + "and guarantees a unique result."
    }
    HelpStep { number: "4"; text: "Press Run All. Files save next to the source (or your Destination)." }
}
