import QtQuick

SidebarCategory {
    title: "Preservation Guide"
    icon: "checkmark.shield"

    GuidePoint {
        title: "Format Constraints"
        text: "Aggressive file compression reduces file size by stripping key pixel variations where hidden "
              + "signatures live."
    }
    GuidePoint {
        title: "Graphic Modifications"
        text: "Heavy overlays, solid shapes, or passing the output through secondary generative AI "
              + "post-processing filters completely overwrites the underlying pixel structure."
    }
    GuidePoint {
        title: "Effects Thresholds"
        text: "Drastic contrast adjustments, heavy blurring, or digital noise warp pixel frequencies beyond "
              + "verification scanner recognition limits."
    }
}
