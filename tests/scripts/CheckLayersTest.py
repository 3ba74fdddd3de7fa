#!/usr/bin/env python3
"""The layer check on small trees of its own: which includes and which view types
it refuses between the screens of ui/, and what it lets through."""

import importlib.machinery
import importlib.util
import subprocess
import sys
import tempfile
import textwrap
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parents[2] / "scripts" / "check-layers"


def load_checker():
    loader = importlib.machinery.SourceFileLoader("check_layers", str(SCRIPT))
    spec = importlib.util.spec_from_loader("check_layers", loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module


checker = load_checker()


class Tree:
    """A throwaway src/ tree; `write` puts a file below src/."""

    def __init__(self):
        self._dir = tempfile.TemporaryDirectory()
        self.root = Path(self._dir.name)

    def write(self, relative, text="", folder="src"):
        path = self.root / folder / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(textwrap.dedent(text))
        return self

    def findings(self):
        return checker.check(self.root)

    def close(self):
        self._dir.cleanup()


class CheckLayersTest(unittest.TestCase):
    def setUp(self):
        self.tree = Tree()
        # A screen's model registered with QML, a design control and a HUD view.
        self.tree.write("base/Log.h")
        self.tree.write("ui/design/DSPalette.h")
        self.tree.write("ui/design/DSCard.qml", "Rectangle {}\n")
        self.tree.write("ui/hud/HUDPillButton.qml", "Rectangle {}\n")
        self.tree.write("ui/setups/SetupsPaneModel.h", '#include "ui/design/DSPalette.h"\n')
        self.tree.write("ui/settings/SettingsServices.h", """\
            class SettingsServices : public QObject {
                Q_OBJECT
                QML_ELEMENT
            };
            """)
        self.tree.write("ui/home/HomePane.h", '#include "ui/setups/SetupsPaneModel.h"\n#include "base/Log.h"\n')

    def tearDown(self):
        self.tree.close()

    def test_a_screen_including_another_screens_header_is_refused_unless_it_hosts_that_screen(self):
        self.assertEqual(self.tree.findings(), [], "home hosts the setups pane; design is for all")
        self.tree.write("ui/setups/SetupCardModel.h", '#include "base/Log.h"\n\n#include "ui/home/HomePane.h"\n')
        self.tree.write("ui/hud/HUDModel.cpp", '#include "ui/settings/SettingsServices.h"\n')
        findings = self.tree.findings()
        self.assertEqual(len(findings), 2, findings)
        self.assertTrue(findings[0].startswith("src/ui/hud/HUDModel.cpp:1: ui/hud may not include "
                                               "ui/settings/SettingsServices.h (ui/settings)"), findings[0])
        self.assertTrue(findings[1].startswith("src/ui/setups/SetupCardModel.h:3: ui/setups may not include "
                                               "ui/home/HomePane.h (ui/home)"), findings[1])

    def test_design_and_the_layers_below_never_reach_up_into_a_screen_or_the_snapshots(self):
        self.tree.write("ui/design/DSText.h", '#include "ui/hud/HUDModel.h"\n#include "snapshots/ShotViews.h"\n')
        self.tree.write("ui/hud/HUDModel.h")
        self.tree.write("snapshots/ShotViews.h", '#include "ui/hud/HUDModel.h"\n')
        self.tree.write("magic/MagicScan.h", '#include "ui/design/DSPalette.h"\n')
        findings = self.tree.findings()
        self.assertEqual([f.split(":")[0:2] for f in findings],
                         [["src/magic/MagicScan.h", "1"], ["src/ui/design/DSText.h", "1"],
                          ["src/ui/design/DSText.h", "2"]], findings)

    def test_a_view_naming_another_screens_view_or_registered_type_is_refused_but_not_in_words(self):
        self.tree.write("ui/receipts/ReceiptView.qml", """\
            import QtQuick
            // Looks like the HUDPillButton, but is its own.
            Rectangle {
                property string hint: "unlike HUDPillButton { }"
                DSCard {}
                HUDPillButton { visible: SettingsServices.granted }
            }
            """)
        findings = self.tree.findings()
        self.assertEqual(len(findings), 2, findings)
        self.assertTrue(findings[0].startswith("src/ui/receipts/ReceiptView.qml:6: ui/receipts may not use "
                                               "HUDPillButton (ui/hud)"), findings[0])
        self.assertIn("may not use SettingsServices (ui/settings)", findings[1])

    def test_a_file_outside_every_screen_is_refused_and_the_command_fails(self):
        self.tree.write("ui/Loose.h")
        self.tree.write("ui/qml/OldView.qml", "Item {}\n")
        result = subprocess.run([sys.executable, str(SCRIPT), "--root", str(self.tree.root)],
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 1)
        self.assertIn("src/ui/Loose.h:1: folder 'ui' is not in the layer map", result.stdout)
        self.assertIn("src/ui/qml/OldView.qml:1: folder 'ui/qml' is not in the layer map", result.stdout)

    def test_a_qt_test_check_in_a_test_is_refused_but_a_mention_of_one_and_a_checked_wait_are_not(self):
        self.tree.write("ui/pick/PickUiTest.cpp", """\
            // Unlike QTRY_VERIFY, this wait fails its test.
            TEST(Pick, Hovers) {
                ASSERT_TRUE(waitFor([&] { return hovered; }));
                QTRY_COMPARE_WITH_TIMEOUT(star(), 1.0, 2000);
                QVERIFY (shown);
            }
            """, folder="tests")
        findings = self.tree.findings()
        self.assertEqual([f.split(":")[0:2] for f in findings],
                         [["tests/ui/pick/PickUiTest.cpp", "4"], ["tests/ui/pick/PickUiTest.cpp", "5"]], findings)
        self.assertIn("QTRY_COMPARE_WITH_TIMEOUT never fails a GoogleTest test", findings[0])
        self.assertIn("QVERIFY never fails", findings[1])


if __name__ == "__main__":
    unittest.main()
