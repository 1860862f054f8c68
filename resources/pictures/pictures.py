# The drawings of the program's pictures, read by tools/make_pictures.py, which supplies Canvas
# (pixels, lines, rectangles with both corners included, polygons, ellipses, a small font).
# pictures.txt lists every id with its size and meaning. Bitmaps keep white for the background:
# the program draws them so that white shows what lies beneath, and softens light edges next to
# white, so every shape has a dark outline and its light inside never touches white directly.

INK = '#303030'
DARK = '#505050'
GREY = '#909090'
LGREY = '#D4D4D4'
PAPER = '#F8F8F2'
BLUE = '#2F5F9F'
MBLUE = '#5A8CC8'
LBLUE = '#B9D3EE'
GREEN = '#3C9A3C'
LGREEN = '#A8DCA0'
YELLOW = '#F2C94C'
RED = '#C0392B'
ORANGE = '#E6812C'
WHITE = '#FFFFFF'


# --- Shared shapes ---------------------------------------------------------------------------

def page(c, x0, y0, x1, y1, fold=3):
    c.polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], PAPER)
    c.polyline([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1), (x0, y0)], INK)
    c.polyline([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], INK)


def bars(c, x, base, heights, width, colours):
    for i, h in enumerate(heights):
        left = x + i * (width + 1)
        if h >= 0:
            c.box(left, base - h, left + width - 1, base, INK, colours[i % len(colours)])
        else:
            c.box(left, base, left + width - 1, base - h, INK, colours[i % len(colours)])


def magnifier(c, x, y, sign):
    c.ellipse(x, y, x + 9, y + 9, LBLUE, INK)
    c.line(x + 8, y + 8, x + 13, y + 13, INK)
    c.line(x + 9, y + 8, x + 14, y + 13, INK)
    c.line(x + 8, y + 9, x + 13, y + 14, INK)
    c.line(x + 2, y + 4, x + 7, y + 4, INK)
    c.line(x + 2, y + 5, x + 7, y + 5, INK)
    if sign == '+':
        c.line(x + 4, y + 2, x + 4, y + 7, INK)
        c.line(x + 5, y + 2, x + 5, y + 7, INK)


def hand(c, x, y):
    # A pointing hand: index finger up, fist below.
    outline = [(x + 4, y + 0), (x + 6, y + 0), (x + 6, y + 6), (x + 8, y + 5), (x + 10, y + 6), (x + 12, y + 7),
               (x + 13, y + 8), (x + 13, y + 13), (x + 11, y + 15), (x + 5, y + 15), (x + 1, y + 11), (x + 1, y + 9),
               (x + 2, y + 8), (x + 4, y + 10)]
    c.polygon(outline, '#F4E2C8', INK)
    c.line(x + 8, y + 6, x + 8, y + 9, INK)
    c.line(x + 10, y + 7, x + 10, y + 9, INK)


def arrow_pointer(c, x, y):
    points = [(x, y), (x, y + 12), (x + 3, y + 9), (x + 5, y + 14), (x + 7, y + 13), (x + 5, y + 8), (x + 9, y + 8)]
    c.polygon(points, WHITE, INK)


def funnel(c, x, y):
    c.polygon([(x, y), (x + 11, y), (x + 7, y + 5), (x + 7, y + 10), (x + 4, y + 12), (x + 4, y + 5)], YELLOW, INK)


def two_sets(c, x, y):
    c.ellipse(x, y + 2, x + 8, y + 10, LBLUE, BLUE)
    c.ellipse(x + 5, y + 2, x + 13, y + 10, LGREEN, GREEN)
    c.ellipse(x, y + 2, x + 8, y + 10, None, BLUE)


def triangle(c, x, y, size, down, fill):
    if down:
        c.polygon([(x, y), (x + 2 * size, y), (x + size, y + size)], fill, INK)
    else:
        c.polygon([(x + size, y), (x + 2 * size, y + size), (x, y + size)], fill, INK)


# --- Icons (32 x 32, transparent background) -------------------------------------------------

def icon_program():
    c = Canvas(32, 32)
    c.box(2, 3, 29, 28, BLUE, LBLUE)
    c.box(3, 4, 28, 7, BLUE, MBLUE)
    for y in (12, 17, 22):
        c.line(4, y, 27, y, '#9FB8D8')
    bars(c, 6, 26, [8, 14, 11, 18], 4, [GREEN, YELLOW, RED, BLUE])
    return c


def icon_database():
    c = Canvas(32, 32)
    c.rect(5, 7, 26, 25, MBLUE)
    c.ellipse(5, 20, 26, 29, MBLUE, INK)
    c.rect(6, 8, 25, 24, MBLUE)
    c.line(5, 7, 5, 25, INK)
    c.line(26, 7, 26, 25, INK)
    c.ellipse(5, 2, 26, 11, LBLUE, INK)
    for y in (14, 19):
        c.line(6, y, 25, y, BLUE)
    return c


def icon_text_file():
    c = Canvas(32, 32)
    page(c, 5, 2, 26, 29, 6)
    for i, y in enumerate(range(9, 27, 3)):
        c.line(8, y, 23 - (5 if i % 3 == 2 else 0), y, GREY)
    return c


def icon_grid_lines():
    c = Canvas(32, 32)
    c.box(2, 3, 29, 28, INK, PAPER)
    for x in (9, 16, 23):
        c.line(x, 4, x, 27, LGREY)
    for y in (9, 15, 21):
        c.line(3, y, 28, y, LGREY)
    c.polyline([(4, 24), (10, 18), (16, 20), (22, 10), (27, 7)], BLUE)
    c.polyline([(4, 25), (10, 19), (16, 21), (22, 11), (27, 8)], BLUE)
    return c


ICONS = {512: icon_program, 1000: icon_database, 1001: icon_text_file, 1100: icon_grid_lines}


# --- Small bitmaps (16 x 16, white background) ----------------------------------------------

def small(draw):
    def make():
        c = Canvas(16, 16)
        draw(c)
        return c
    return make


def menu_cards(c):
    c.box(1, 3, 12, 13, INK, PAPER)
    c.box(3, 1, 14, 11, INK, PAPER)
    for y in (4, 6, 8):
        c.line(5, y, 12, y, GREY)


def menu_lines(c):
    c.box(1, 1, 14, 14, INK, PAPER)
    for y in (4, 7, 10):
        c.line(3, y, 12, y, BLUE)
        c.px(3, y, INK)


def menu_components(c):
    c.box(1, 1, 5, 4, INK, YELLOW)
    c.box(8, 6, 12, 9, INK, LBLUE)
    c.box(8, 11, 12, 14, INK, LBLUE)
    c.line(3, 5, 3, 12, INK)
    c.line(3, 7, 7, 7, INK)
    c.line(3, 12, 7, 12, INK)


def menu_time_functions(c):
    c.line(1, 14, 14, 14, INK)
    c.line(1, 1, 1, 14, INK)
    for x in (4, 8, 12):
        c.px(x, 15, INK)
    c.polyline([(2, 12), (5, 10), (8, 11), (11, 5), (14, 3)], RED)
    c.polyline([(2, 13), (5, 11), (8, 12), (11, 6), (14, 4)], RED)


def menu_component_functions(c):
    c.line(1, 14, 14, 14, INK)
    bars(c, 2, 13, [5, 9, 3, 11], 2, [MBLUE, GREEN, YELLOW, RED])


def menu_subset(c):
    two_sets(c, 1, 1)


def indent_none(c):
    for i, y in enumerate((2, 6, 10, 14)):
        c.box(1, y - 1, 14 - 3 * (i % 2), y, INK, MBLUE if i == 0 else LBLUE)


def indent_stepped(c):
    for i, y in enumerate((2, 6, 10, 14)):
        x = [1, 4, 7, 4][i]
        c.box(x, y - 1, x + 8, y, INK, MBLUE if i == 0 else LBLUE)


def indent_tree(c):
    c.line(2, 3, 2, 13, GREY)
    c.line(2, 7, 4, 7, GREY)
    c.line(2, 13, 4, 13, GREY)
    c.line(7, 9, 7, 11, GREY)
    c.box(1, 1, 9, 2, INK, MBLUE)
    c.box(5, 6, 13, 7, INK, LBLUE)
    c.box(8, 9, 14, 10, INK, LBLUE)
    c.box(5, 12, 13, 13, INK, LBLUE)


def value_order(heights):
    def draw(c):
        c.line(0, 8, 15, 8, GREY)
        for i, h in enumerate(heights):
            x = 1 + 3 * i
            colour = GREEN if h > 0 else RED
            if h > 0:
                c.box(x, 8 - h, x + 1, 8, INK, colour)
            else:
                c.box(x, 8, x + 1, 8 - h, INK, colour)
    return draw


def view_table(c):
    c.box(1, 2, 14, 13, INK, PAPER)
    c.rect(2, 3, 13, 5, LBLUE)
    c.line(1, 6, 14, 6, INK)
    for y in (9, 11):
        c.line(2, y, 13, y, LGREY)
    for x in (5, 10):
        c.line(x, 3, x, 12, GREY)


def view_curve(c):
    c.line(1, 1, 1, 14, INK)
    c.line(1, 14, 14, 14, INK)
    c.polyline([(2, 11), (5, 6), (8, 9), (11, 3), (14, 5)], BLUE)
    c.polyline([(2, 12), (5, 7), (8, 10), (11, 4), (14, 6)], BLUE)


def view_bars(c):
    c.line(1, 14, 14, 14, INK)
    bars(c, 2, 13, [6, 10, 4, 8], 2, [MBLUE])


def view_pie(c):
    c.ellipse(1, 1, 14, 14, LBLUE, INK)
    c.polygon([(8, 8), (8, 1), (13, 4), (14, 8)], YELLOW)
    c.line(7, 7, 7, 1, INK)
    c.line(7, 7, 14, 7, INK)


def view_diagram(c):
    c.line(1, 14, 14, 14, INK)
    c.line(1, 1, 1, 14, INK)
    bars(c, 3, 13, [4, 7, 5], 2, [LBLUE])
    c.polyline([(3, 7), (7, 4), (11, 6), (14, 2)], RED)


def labels_scaled(c):
    c.line(3, 1, 3, 14, INK)
    for y in (2, 7, 12):
        c.line(1, y, 3, y, INK)
    c.text(5, 5, '1k', INK)


def axis_inverted(c):
    c.line(3, 1, 3, 14, INK)
    for y in (2, 7, 12):
        c.line(1, y, 3, y, INK)
    c.line(10, 2, 10, 11, BLUE)
    c.polygon([(7, 10), (14, 10), (10, 14)], MBLUE, BLUE)


def cf_curve(c):
    c.line(1, 14, 14, 14, INK)
    for x in (3, 6, 9, 12):
        c.px(x, 15, INK)
    c.polyline([(2, 9), (5, 4), (8, 8), (11, 6), (14, 11)], GREEN)
    c.polyline([(2, 10), (5, 5), (8, 9), (11, 7), (14, 12)], GREEN)


def tool_zoom_in(c):
    magnifier(c, 0, 0, '+')


def tool_zoom_out(c):
    magnifier(c, 0, 0, '-')


def tool_hand(c):
    hand(c, 1, 0)


def tool_select(c):
    arrow_pointer(c, 3, 1)


BITMAPS = {
    2001: small(menu_cards), 2002: small(menu_lines), 2003: small(menu_components),
    2004: small(menu_time_functions), 2005: small(menu_component_functions), 2006: small(menu_subset),
    4000: small(indent_none), 4001: small(indent_stepped), 4002: small(indent_tree),
    4010: small(value_order([6, 5, 3, 2, 1])),
    4011: small(value_order([5, 3, 1, -2, -5])),
    4012: small(value_order([6, -5, 3, -2, 1])),
    4013: small(value_order([1, -2, 3, -5, 6])),
    4014: small(value_order([-5, -2, 1, 3, 5])),
    4015: small(value_order([1, 2, 3, 5, 6])),
    4020: small(view_table), 4021: small(view_curve), 4022: small(view_bars), 4023: small(view_pie),
    4026: small(view_diagram), 4030: small(labels_scaled), 4031: small(axis_inverted), 4110: small(cf_curve),
    4200: small(tool_zoom_in), 4201: small(tool_zoom_out), 4202: small(tool_hand), 4203: small(tool_select),
}


# --- Strip 100: check box and radio glyphs ----------------------------------------------------

def glyph(c, x, y, radio, state, checked, modern):
    """A 13 x 13 glyph in the cell at (x, y). States: 0 normal, 1 disabled, 2 hovered, 3 pressed."""
    frame = GREY if state == 1 else ('#8E8F8F' if modern else '#1C5180')
    fill = {0: '#F6F6F6', 1: '#EEEEEE', 2: '#FDF6E8' if not modern else '#E8F4FC', 3: '#DCDCD4'}[state]
    mark = GREY if state == 1 else ('#2B4E8C' if modern else '#21A121')
    if radio:
        c.ellipse(x, y, x + 12, y + 12, fill, frame)
        if state == 2:
            c.ellipse(x + 1, y + 1, x + 11, y + 11, None, ORANGE if not modern else '#3C7FB1')
        if checked:
            c.ellipse(x + 4, y + 4, x + 8, y + 8, mark, mark)
    else:
        if modern:
            c.rect(x + 1, y + 1, x + 11, y + 11, fill)
            c.polyline([(x + 1, y), (x + 11, y), (x + 12, y + 1), (x + 12, y + 11), (x + 11, y + 12), (x + 1, y + 12),
                        (x, y + 11), (x, y + 1), (x + 1, y)], frame)
        else:
            c.box(x, y, x + 12, y + 12, frame, fill)
        if state == 2:
            c.frame(x + 1, y + 1, x + 11, y + 11, ORANGE if not modern else '#3C7FB1')
        if checked:
            for d in range(3):
                c.line(x + 3, y + 5 + d, x + 5, y + 7 + d, mark)
                c.line(x + 5, y + 7 + d, x + 9, y + 3 + d, mark)


def strip_100():
    c = Canvas(128, 64)
    for modern in (0, 1):
        for radio in (0, 1):
            for checked in (0, 1):
                for state in range(4):
                    glyph(c, (checked * 4 + state) * 16, (modern * 2 + radio) * 16, radio, state, checked, modern)
    return c


# --- Strip 101: themed check boxes and their marks --------------------------------------------

LOOK_FRAMES = ['#1C5180', '#93A070', '#7B7B93']


def strip_101():
    c = Canvas(56, 62)
    for look, frame in enumerate(LOOK_FRAMES):
        for kind in range(4):
            x, y = kind * 14, look * 14
            top, bottom = {0: ('#FDFDFB', '#E4E3DC'), 1: ('#F2F2F2', '#E6E6E6'), 2: ('#FFF8E8', '#F7D9A0'),
                           3: ('#E0DED6', '#F4F3EE')}[kind]
            for j in range(12):
                t = j / 11
                mix = tuple(int(int(top[k:k + 2], 16) * (1 - t) + int(bottom[k:k + 2], 16) * t) for k in (1, 3, 5))
                c.line(x + 1, y + 1 + j, x + 12, y + 1 + j, mix + (255,))
            c.frame(x, y, x + 13, y + 13, GREY if kind == 1 else frame)
    # Marks, 9 x 9 at x = 10 x mark; any colour but white (they are tinted when drawn).
    for small_form, y in ((0, 42), (1, 52)):
        inset = small_form
        x = 10
        for d in range(3 - small_form):
            c.line(x + 1 + inset, y + 3 + d, x + 3, y + 5 + d - inset, INK)
            c.line(x + 3, y + 5 + d - inset, x + 7 - inset, y + 1 + d + inset, INK)
        x = 20
        c.ellipse(x + 2 + inset, y + 2 + inset, x + 6 - inset, y + 6 - inset, INK, INK)
        x = 30
        c.rect(x + 2 + inset, y + 2 + inset, x + 6 - inset, y + 6 - inset, INK)
    return c


# --- Strip 110: tree and mode-box pictures ------------------------------------------------------

def expander(c, x, y, sign, pressed):
    c.box(x + 3, y + 3, x + 11, y + 11, GREY, '#E8E8E8' if pressed else PAPER)
    c.line(x + 5, y + 7, x + 9, y + 7, INK)
    if sign == '+':
        c.line(x + 7, y + 5, x + 7, y + 9, INK)


def mode_columns(c, x, y):
    for i in range(3):
        c.box(x + 1 + 5 * i, y + 2, x + 4 + 5 * i, y + 13, INK, LBLUE if i != 1 else MBLUE)


def mode_options(c, x, y):
    c.box(x + 1, y + 1, x + 14, y + 14, INK, PAPER)
    for i, yy in enumerate((4, 8, 12)):
        c.box(x + 3, y + yy - 1, x + 5, y + yy + 1, INK, LGREEN if i != 1 else PAPER)
        c.line(x + 7, y + yy, x + 12, y + yy, GREY)


def mode_sorting(c, x, y):
    c.line(x + 4, y + 2, x + 4, y + 13, INK)
    c.polygon([(x + 1, y + 5), (x + 4, y + 1), (x + 8, y + 5)], MBLUE, INK)
    c.line(x + 11, y + 2, x + 11, y + 13, INK)
    c.polygon([(x + 8, y + 10), (x + 15, y + 10), (x + 11, y + 14)], MBLUE, INK)


def mode_printing(c, x, y):
    c.box(x + 4, y + 1, x + 11, y + 6, INK, PAPER)
    c.box(x + 1, y + 6, x + 14, y + 11, INK, LGREY)
    c.box(x + 4, y + 9, x + 11, y + 14, INK, PAPER)
    c.px(x + 12, y + 8, GREEN)


def mode_export(c, x, y):
    page(c, x + 1, y + 1, x + 10, y + 14)
    c.line(x + 5, y + 8, x + 14, y + 8, BLUE)
    c.polygon([(x + 11, y + 5), (x + 15, y + 8), (x + 11, y + 11)], MBLUE, BLUE)


def mode_notes(c, x, y):
    c.box(x + 2, y + 2, x + 13, y + 14, INK, '#FFF3B0')
    c.rect(x + 3, y + 3, x + 12, y + 4, YELLOW)
    for yy in (7, 9, 11):
        c.line(x + 4, y + yy, x + 11, y + yy, GREY)


def strip_110():
    c = Canvas(176, 48)
    for row, pressed in ((0, False), (1, True)):
        y = row * 16
        expander(c, 0, y, '+', pressed)
        expander(c, 16, y, '-', pressed)
        page(c, 16 * 2 + 4, y + 2, 16 * 2 + 11, y + 12, 2)
        triangle(c, 16 * 6 + 2, y + 4, 5, True, DARK if not pressed else INK)
        triangle(c, 16 * 7 + 2, y + 4, 5, False, DARK if not pressed else INK)
    y = 32
    funnel(c, 0 + 2, y + 2)
    funnel(c, 16 + 1, y + 1)
    c.box(16 + 10, y + 9, 16 + 14, y + 14, INK, GREEN)
    c.text(32 + 1, y + 5, 'f', BLUE)
    c.text(32 + 6, y + 5, 'x', BLUE)
    two_sets(c, 48 + 1, y + 2)
    mode_options(c, 64, y)
    mode_columns(c, 96, y)
    mode_sorting(c, 112, y)
    mode_printing(c, 128, y)
    mode_export(c, 144, y)
    mode_notes(c, 160, y)
    return c


# --- Strip 111: the busy indicator -----------------------------------------------------------------

def busy_cell(c, x, y, filled, done):
    import math
    cx, cy = x + 12.5, y + 12.5
    for j in range(26):
        for i in range(26):
            dx, dy = x + i + 0.5 - cx - 0.5, y + j + 0.5 - cy - 0.5
            r = math.hypot(dx, dy)
            if 7 <= r <= 11.5:
                angle = (math.degrees(math.atan2(dx, -dy)) + 360) % 360
                segment = int(angle // 15)
                if done:
                    colour = GREEN
                elif segment < filled:
                    colour = MBLUE
                else:
                    colour = LGREY
                if r > 10.5 or r < 8:
                    colour = INK if (done or segment < filled) else GREY
                c.px(x + i, y + j, colour)
    if done:
        for d in range(2):
            c.line(x + 8, y + 12 + d, x + 11, y + 15 + d, GREEN)
            c.line(x + 11, y + 15 + d, x + 17, y + 9 + d, GREEN)


def strip_111():
    c = Canvas(208, 104)
    for cell in range(26):
        x, y = cell % 8 * 26, cell // 8 * 26
        busy_cell(c, x, y, max(0, cell), cell == 25)
    return c


# --- The about box picture -------------------------------------------------------------------------

def about_picture():
    c = Canvas(160, 120)
    c.box(4, 4, 155, 115, BLUE, '#EAF1FA')
    c.rect(5, 5, 154, 22, MBLUE)
    c.line(5, 23, 154, 23, BLUE)
    c.text(57, 7, 'QEB', WHITE, 2)
    for y in (50, 70, 90):
        c.line(12, y, 148, y, LBLUE)
    c.line(12, 106, 148, 106, INK)
    bars(c, 20, 105, [30, 52, 40, 66, 48, 74], 16, [GREEN, YELLOW, MBLUE, RED])
    c.polyline([(28, 70), (45, 52), (62, 60), (79, 40), (96, 48), (113, 30), (130, 34)], INK)
    return c


BITMAPS.update({100: strip_100, 101: strip_101, 110: strip_110, 111: strip_111, 6000: about_picture})


# --- Cursors (32 x 32, transparent, with a hot spot) ------------------------------------------------

def cursor(draw, hot):
    def make():
        c = Canvas(32, 32)
        draw(c)
        return c, hot
    return make


def arrow_left(c):
    c.polygon([(0, 7), (7, 0), (7, 4), (15, 4), (15, 10), (7, 10), (7, 14)], INK, WHITE)


def arrow_right(c):
    c.polygon([(15, 7), (8, 0), (8, 4), (0, 4), (0, 10), (8, 10), (8, 14)], INK, WHITE)


def arrow_down_right(c):
    c.polygon([(14, 14), (14, 4), (10, 8), (3, 1), (1, 3), (8, 10), (4, 14)], INK, WHITE)


def cursor_zoom(sign):
    def draw(c):
        c.ellipse(0, 0, 11, 11, '#E8F0FA', INK)
        c.ellipse(1, 1, 10, 10, None, WHITE)
        c.ellipse(0, 0, 11, 11, None, INK)
        for d in range(3):
            c.line(9 + d, 10, 15 + d, 16, INK)
        c.line(3, 5, 8, 5, INK)
        c.line(3, 6, 8, 6, INK)
        if sign == '+':
            c.line(5, 3, 5, 8, INK)
            c.line(6, 3, 6, 8, INK)
    return draw


def cursor_hand(c):
    hand(c, 0, 0)


CURSORS = {
    1001: cursor(arrow_left, (0, 7)),
    1002: cursor(arrow_right, (15, 7)),
    1003: cursor(arrow_down_right, (14, 14)),
    4200: cursor(cursor_zoom('+'), (5, 5)),
    4201: cursor(cursor_zoom('-'), (5, 5)),
    4202: cursor(cursor_hand, (5, 0)),
}
