"""What the page's and the phone's scenarios share: the program's prompts,
from which every expected transcript is made, and helpers to read the
page and to run scenarios that an engine may lack what they need for."""

import json
import os
import re
import sys

# The program's prompts, as app/Keyboard.cpp writes them (web/prompts.js
# has them too).
MENU = "Run Random  Tests: 1\nRun Specific Test: 2\n"
BALL_PROMPTS = [f"Ball {what} {axis}: " for what in ("Position", "Velocity") for axis in "xyz"]
NOT_UNDERSTOOD = "The menu answer was not understood; nothing was changed."

DROP = "2 3 2 0 -300 0"
# A ball at rest, per triangle: the edge test's "1" and three corner roots.
AT_REST = re.compile(("1\n" + "-?nan\n" * 3) * 3 + r"$")
# ctest's code for a test whose every scenario was skipped.
SKIPPED = 77


def drop_transcript(line=DROP):
    """The transcript of the menu answered "2", then the ball's line."""
    return MENU + "2\n" + BALL_PROMPTS[0] + line + "\n" + "".join(BALL_PROMPTS[1:])


def text_of(element_id):
    return f"document.getElementById('{element_id}').textContent"


async def console_ends_with(b, text):
    """Waits for the console pane, which the page draws once per frame."""
    await b.wait_for(f"{text_of('console')}.endsWith({json.dumps(text)})", what=repr(text))


def ball(picture):
    """The ball's green pixels: their count and mean column and row."""
    width = picture.size[0]
    at = [divmod(i, width) for i, (r, g, b) in enumerate(picture.getdata())
          if g > 200 and r < 80 and b < 80]
    return len(at), sum(x for _, x in at) / len(at), sum(y for y, _ in at) / len(at)


AXE = os.path.join(os.path.dirname(__file__), *[".."] * 3, "node_modules/axe-core/axe.min.js")
# axe-core's WCAG 2.x A and AA rules and its best practices, with the rule
# that a control's name holds its visible label, which it keeps for review.
AXE_RUN = ("axe.run(document, {runOnly: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa',"
           " 'best-practice'], rules: {'label-content-name-mismatch': {enabled: true}}})"
           ".then(r => r.violations.map(v => v.id + ': ' + v.nodes.map(n => n.target).join()))")
# axe leaves a label of symbols (±) for review: a button's name holds its
# label, and nothing the page hides is shown.
PAGE_RULES = ("[...document.querySelectorAll('button')].filter(e => e.getClientRects().length &&"
              " !(e.getAttribute('aria-label') ?? e.textContent).includes(e.textContent.trim()))"
              ".map(e => 'a name without its label: ' + e.textContent)"
              ".concat([...document.querySelectorAll('[hidden]')].filter(e => e.getClientRects()"
              ".length).map(e => 'shown though hidden: ' + (e.id || e.className)))")


async def audit(b, state):
    """The page's rules and axe-core's find nothing."""
    if not await b.evaluate("typeof axe === 'object'"):
        with open(AXE) as f:
            await b.evaluate(f.read() + ";0")
    found = await b.evaluate(PAGE_RULES) + await b.evaluate(AXE_RUN)
    assert not found, f"{b.name}, {state}: {found}"


def lacking(b, scenario, *needs):
    """True, having said why, when the engine cannot run the scenario."""
    reasons = [b.lacks[need] for need in needs if need in b.lacks]
    if reasons:
        print(f"{b.name}: {scenario} skipped: {'; '.join(reasons)}")
    return bool(reasons)


class Scenarios:
    """Counts the scenarios run in one engine, so that a run in which all
    were skipped ends as skipped."""

    def __init__(self, b):
        self.b, self.ran = b, 0
        print(f"== {b.name} {b.version}")
        for need, reason in b.lacks.items():
            print(f"{b.name}: without {need}: {reason}")

    async def run(self, title, scenario, *args, needs=()):
        if not lacking(self.b, title, *needs):
            await scenario(self.b, *args)
            self.ran += 1

    def end(self, test):
        if not self.ran:
            print(f"{test}: every scenario was skipped in {self.b.name}")
            sys.exit(SKIPPED)
        print(f"{test}: passed in {self.b.name}")
