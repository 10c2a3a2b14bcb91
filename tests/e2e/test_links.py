"""The "Website" and "E-mail" links hand their addresses to the desktop."""

import os

import velmora_e2e as e2e
from velmora_e2e import VelmoraTest


class LinksTest(VelmoraTest):

    def test_links_open_the_home_page_and_a_mail(self):
        log = os.path.join(self.tmp, "opened.log")
        app = self.start(env=e2e.TARGET.record_links(os.path.join(self.tmp, "bin"), log))

        def opened():
            if not os.path.exists(log):
                return []
            with open(log) as lines:
                return [line.split() for line in lines if line.strip()]

        cases = [(e2e.WEBSITE, ("http://", "https://"), "."), (e2e.EMAIL, ("mailto:",), "@")]
        for link, prefixes, inside in cases:
            with self.subTest(prefixes[-1]):
                before = len(opened())
                app.click(link)
                entries = e2e.wait_for("the desktop to be asked", lambda: opened()[before:],
                                       timeout=20)
                self.assertEqual(len(entries), 1, entries)
                address = entries[0][-1]
                self.assertTrue(address.startswith(prefixes), address)
                self.assertIn(inside, address)
        self.assertTrue(app.running())


if __name__ == "__main__":
    e2e.main()
