import QtQuick
import QtTest
import Quelso

// What the view tests share: a fresh content view over a fresh real model for every test,
// and lookups that fail the test when the named item is missing.
TestCase {
    id: test
    when: windowShown
    visible: true
    width: 1000
    height: 800

    property var view
    property var model
    property var settings

    Component {
        id: contentView
        ContentView {}
    }

    function init() {
        model = fixtures.newModel()
        settings = model.settings
        view = createTemporaryObject(contentView, test, { appModel: model, width: width, height: height })
        verify(view)
    }
    function find(name, parentItem) {
        const item = findChild(parentItem || view, name)
        verify(item, name)
        return item
    }
}
