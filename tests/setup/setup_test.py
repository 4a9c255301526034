"""scripts/setup.sh against a stand-in apt-get, dpkg and dpkg-query (fake_apt.py and
fake_dpkg_query.sh) that record their calls and fail on cue: a healthy mirror, a mirror in mid-sync whose i386 index of one
suite cannot be fetched, and an i386 set that cannot be resolved at all."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SETUP = os.path.join(HERE, "..", "..", "scripts", "setup.sh")
SECURITY_I386 = "debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"
UPDATES_AMD64 = "debian/dists/bookworm-updates/main/binary-amd64/Packages.xz"
HELD = "Unable to correct problems, you have held broken packages."


class SetupCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="setup-test-")
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)
        self.bin = os.path.join(self.dir, "bin")
        os.makedirs(self.bin)
        for tool, fake in (("apt-get", "fake_apt.py"), ("dpkg", "fake_apt.py"), ("dpkg-query", "fake_dpkg_query.sh")):
            os.symlink(os.path.join(HERE, fake), os.path.join(self.bin, tool))
        self.skipped_file = os.path.join(self.dir, "setup-skipped.txt")

    def run_setup(self, scenario, installed=(), archs=()):
        with open(os.path.join(self.dir, "scenario.json"), "w") as f:
            json.dump(scenario, f)
        for name, items in (("installed", installed), ("archs", archs)):
            with open(os.path.join(self.dir, name), "w") as f:
                f.writelines(item + "\n" for item in items)
        env = dict(os.environ, PATH=self.bin + os.pathsep + os.environ["PATH"], FAKE_APT_DIR=self.dir,
                   KVX_SETUP_PAUSE="0", KVX_SETUP_SKIPPED_FILE=self.skipped_file)
        self.result = subprocess.run(["bash", SETUP], env=env, capture_output=True, text=True)
        self.said = [line for line in self.result.stdout.splitlines() if line.startswith("setup:")]
        return self.result

    def calls(self, tool="apt-get"):
        try:
            with open(os.path.join(self.dir, "calls.jsonl")) as f:
                return [c for c in map(json.loads, f) if c["tool"] == tool]
        except FileNotFoundError:
            return []

    def installs(self):
        """Each apt-get install: (the packages, the private preferences or None)."""
        out = []
        for c in self.calls():
            if "install" in c["args"] and "-s" not in c["args"]:
                after = c["args"][c["args"].index("install") + 1:]
                out.append(([a for a in after if not a.startswith("-")], c["preferences"]))
        return out

    def updates(self):
        return [c for c in self.calls() if "update" in c["args"]]

    def assertSucceeded(self):
        self.assertEqual(self.result.returncode, 0, self.result.stdout + self.result.stderr)

    def assertLeavesOut(self, preferences, suite):
        self.assertIsNotNone(preferences)
        self.assertIn("Package: *\nPin: release n=%s\nPin-Priority: -1" % suite, preferences)


class HealthyMirror(SetupCase):
    def test_a_fresh_machine_gets_both_sets_from_every_suite_and_nothing_is_said(self):
        self.run_setup({})
        self.assertSucceeded()
        self.assertEqual(self.said, [])
        self.assertEqual(len(self.updates()), 1)
        (native, native_preferences), (i386, i386_preferences) = self.installs()
        self.assertIn("g++-mingw-w64-i686", native)
        self.assertIn("xauth", native)
        self.assertNotIn("wine32:i386", native)
        self.assertEqual(i386, ["wine32:i386"])
        self.assertIsNone(native_preferences)
        self.assertIsNone(i386_preferences)
        self.assertEqual(self.calls("dpkg")[-1]["args"], ["--add-architecture", "i386"])
        self.assertFalse(os.path.exists(self.skipped_file))

    def test_a_machine_that_has_everything_asks_apt_nothing(self):
        self.run_setup({})
        first_calls = len(self.calls())
        with open(os.path.join(self.dir, "installed")) as f:
            installed = f.read().split()
        os.remove(os.path.join(self.dir, "calls.jsonl"))
        self.run_setup({}, installed=installed, archs=["i386"])
        self.assertSucceeded()
        self.assertGreater(first_calls, 0)
        self.assertEqual(self.calls(), [])

    def test_an_update_that_fails_once_is_tried_again_and_nothing_is_left_out(self):
        self.run_setup({"update_failures": 1, "broken_indexes": [SECURITY_I386]})
        self.assertSucceeded()
        self.assertEqual(len(self.updates()), 2)
        self.assertEqual(self.said, [])
        self.assertEqual([preferences for _, preferences in self.installs()], [None, None])

    def test_only_missing_packages_are_installed(self):
        self.run_setup({}, installed=["cmake", "wine32:i386"], archs=["i386"])
        self.assertSucceeded()
        (native, _), = self.installs()
        self.assertNotIn("cmake", native)
        self.assertIn("clang", native)


class MirrorInMidSync(SetupCase):
    """The i386 index of bookworm-security fails on every try; the amd64 libraries' candidates
    come from there, so the i386 set does not resolve until the suite is left out."""
    SCENARIO = {"update_failures": 99, "broken_indexes": [SECURITY_I386],
                "install_rules": [{"package": "wine32:i386", "unless_left_out": "bookworm-security",
                                   "error": HELD}]}

    def test_the_update_is_tried_three_times_and_the_index_named_in_one_line(self):
        self.run_setup(self.SCENARIO)
        self.assertSucceeded()
        self.assertEqual(len(self.updates()), 3)
        fetched = [line for line in self.said if "cannot fetch" in line]
        self.assertEqual(len(fetched), 1, self.said)
        self.assertIn("bookworm-security for i386", fetched[0])

    def test_both_sets_are_installed_without_the_suite_whose_i386_index_is_missing(self):
        self.run_setup(self.SCENARIO)
        self.assertSucceeded()
        (native, native_preferences), (i386, first), (again, second) = self.installs()
        self.assertIn("cmake", native)
        self.assertLeavesOut(native_preferences, "bookworm-security")
        self.assertEqual((i386, first), (["wine32:i386"], None))
        self.assertEqual(again, ["wine32:i386"])
        self.assertLeavesOut(second, "bookworm-security")
        self.assertTrue(any("trying once more without bookworm-security" in line for line in self.said), self.said)
        self.assertFalse(os.path.exists(self.skipped_file))

    def test_a_native_set_that_needs_the_suite_is_installed_from_every_suite(self):
        scenario = dict(self.SCENARIO, install_rules=self.SCENARIO["install_rules"] + [
            {"package": "cmake", "only_with_preferences": True, "error": HELD}])
        self.run_setup(scenario)
        self.assertSucceeded()
        (_, first), (native, second), _, _ = self.installs()
        self.assertLeavesOut(first, "bookworm-security")
        self.assertIn("cmake", native)
        self.assertIsNone(second)
        self.assertTrue(any("installing from every suite instead" in line for line in self.said), self.said)

    def test_a_broken_amd64_index_is_named_but_leaves_no_suite_out(self):
        self.run_setup({"update_failures": 99, "broken_indexes": [UPDATES_AMD64]})
        self.assertSucceeded()
        self.assertTrue(any("bookworm-updates for amd64" in line for line in self.said), self.said)
        self.assertEqual([preferences for _, preferences in self.installs()], [None, None])


class NoThirtyTwoBitWine(SetupCase):
    def test_an_i386_set_that_never_resolves_is_skipped_with_its_reason(self):
        self.run_setup({"update_failures": 99, "broken_indexes": [SECURITY_I386],
                        "install_rules": [{"package": "wine32:i386", "error": HELD}]})
        self.assertSucceeded()
        self.assertEqual(len(self.installs()), 3)
        skipped = [line for line in self.said if "is not installed" in line]
        self.assertEqual(len(skipped), 1, self.said)
        self.assertIn(HELD.rstrip("."), skipped[0])
        with open(self.skipped_file) as f:
            reason = f.read().strip()
        self.assertIn("32-bit Wine could not be installed", reason)
        self.assertIn(HELD.rstrip("."), reason)
        self.assertFalse(reason.endswith("."), "the scripts append to it")

    def test_on_a_healthy_mirror_it_is_not_tried_twice(self):
        self.run_setup({"install_rules": [{"package": "wine32:i386", "error": "Package wine32:i386 has no candidate"}]})
        self.assertSucceeded()
        self.assertEqual(len(self.installs()), 2)
        self.assertTrue(os.path.exists(self.skipped_file))

    def test_a_later_run_that_installs_it_clears_the_reason(self):
        self.run_setup({"install_rules": [{"package": "wine32:i386", "error": HELD}]})
        self.assertTrue(os.path.exists(self.skipped_file))
        self.run_setup({})
        self.assertSucceeded()
        self.assertFalse(os.path.exists(self.skipped_file))


class NativeToolchainFails(SetupCase):
    def test_an_unresolvable_native_set_stops_the_setup_with_apts_words(self):
        self.run_setup({"install_rules": [{"package": "cmake", "error": "Package cmake has no installation candidate"}]})
        self.assertEqual(self.result.returncode, 1)
        self.assertIn("Package cmake has no installation candidate", self.result.stderr)
        self.assertEqual(len(self.installs()), 1)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[1:])
