"""Takes screenshots of the web page in headless chromium after a scripted
drop: the camera stopped at step 300, a key on the scene, the answers 2 and
"2 3 2 0 -300 0", and three more steps, in which the ball comes to rest on
the floor. The desktop's, in a 1200 x 900 window, goes to OUT.png; the
phone's first screen, 360 x 740 at device pixel ratio 2, where a tap opens
the menu and the page's buttons answer it, to OUT-phone.png.

    scripts/web-screenshot SITE_DIR OUT.png"""

import asyncio
import os
import sys

from support.chromium import Chromium
from support.engine import ORB
from support.server import Site


async def phone(b, site, out):
    await b.phone(360, 740)
    await b.navigate(site.url + "?steps=300")
    await b.settled(300)
    await b.tap("canvas")
    await b.wait_for("document.activeElement.id === 'answer-1'", what="the menu's answers")
    await b.tap("answer-2")
    await b.tap("drop")
    await b.wait_for(f"!{ORB}.waiting() && !document.getElementById('share').hidden",
                     what="the drop")
    await b.evaluate(f"{ORB}.runMore(3)")
    await b.settled(303)
    await b.evaluate("document.activeElement.blur(); scrollTo(0, 0)")
    await b.sleep(1.2)
    await b.screenshot(out, whole=False)


async def main(folder, out):
    site = Site(folder)
    phone_out = os.path.splitext(out)[0] + "-phone.png"
    try:
        async with Chromium() as b:
            await b.navigate(site.url + "?steps=300")
            await b.settled(300)
            await b.click("canvas")
            await b.key("Enter")
            await b.wait_for("document.activeElement.id === 'stdin'", what="the menu")
            await b.type_line("2")
            await b.type_line("2 3 2 0 -300 0")
            await b.wait_for(f"!{ORB}.waiting()", what="the answers")
            await b.evaluate(f"{ORB}.runMore(3)")
            await b.settled(303)
            # The status line's next second.
            await b.sleep(1.2)
            await b.screenshot(out)
            await phone(b, site, phone_out)
            if b.messages:
                sys.exit("the page reported errors: " + "; ".join(b.messages))
    finally:
        site.close()
    print(f"   {out}, {phone_out}: the page after the ball was dropped onto the floor,"
          " on a desktop and on a phone")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    asyncio.run(main(sys.argv[1], sys.argv[2]))
