#!/usr/bin/python3
"""zraddrres ports --html in a real headless browser.

The sample registry plus a store entry whose name is markup and entries of
addresses of every kind; the page must load without console errors, sort by a
column (addresses by their values), filter by kind, open a row to its explain
account, show the hostile name as text, and survive a malformed link.

Run inside a network namespace with only loopback (report-browser-check.sh),
so neither the tool's lookups nor the browser can reach anything.
Exit 77 when chromium, its driver or selenium is missing.

    report_browser_test.py WORK SAMPLE TOOL [EMULATOR...]
"""
import ipaddress
import json
import os
import re
import shutil
import subprocess
import sys

SKIP = 77
HOSTILE = '<script>window.pwned=1</script><img src=x onerror=window.pwned=2>'
# Stored addresses whose texts sort otherwise than their values.
SORTED = {'Sort-A': '10.0.0.10', 'Sort-B': '10.0.0.2', 'Sort-C': '9.255.0.1', 'Sort-D': '2001:db8::10',
          'Sort-E': '2001:db8::9', 'Sort-F': '::ffff:10.0.0.1', 'Sort-G': '0000000a:000000000001',
          'Sort-H': '000000000002:00000009', 'Sort-I': '00000010:000000000000'}


def address_key(text):
    """The order the page gives addresses: IPv4, IPv6, IPX by value, other text, none."""
    try:
        return (0, int(ipaddress.IPv4Address(text)))
    except ValueError:
        pass
    try:
        return (1, int(ipaddress.IPv6Address(text.split('%')[0])))
    except ValueError:
        pass
    m = re.fullmatch(r'([0-9A-Fa-f]{8}):([0-9A-Fa-f]{12})', text)
    if m:
        return (2, int(m.group(1) + m.group(2), 16))
    m = re.fullmatch(r'([0-9A-Fa-f]{12}):([0-9A-Fa-f]{8})', text)
    if m:
        return (2, int(m.group(2) + m.group(1), 16))
    return (3, 0) if text else (4, 0)


def main():
    work, sample, tool = (os.path.abspath(a) for a in sys.argv[1:4])
    command = sys.argv[4:] + [tool]
    chromium = shutil.which('chromium')
    driver_path = shutil.which('chromedriver')
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        from selenium.webdriver.common.by import By
        from selenium.webdriver.support.ui import Select
    except ImportError:
        chromium = None
    if not chromium or not driver_path:
        print('skipped: needs Debian\'s chromium, chromium-driver and python3-selenium', file=sys.stderr)
        return SKIP

    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    os.environ['ZRADDRRES_REGISTRY'] = os.path.join(work, 'registry')

    def z(*args, check=True):
        run = subprocess.run(command + list(args), cwd=work, capture_output=True, text=True)
        if check and run.returncode not in (0, 1):
            raise SystemExit('zraddrres %s: exit %d\n%s%s' % (' '.join(args), run.returncode, run.stdout, run.stderr))
        return run

    shutil.copy(sample, os.path.join(work, 'sample.reg'))
    z('reg', 'import', 'sample.reg')
    with open(os.path.join(work, 'hostile.reg'), 'w') as f:
        f.write('REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n"%s"="10.0.0.66"\n' % HOSTILE)
        for name, address in SORTED.items():
            f.write('"%s"="%s"\n' % (name, address))
    z('reg', 'import', 'hostile.reg')
    # A report that cannot be written is an error, and leaves nothing behind.
    run = z('ports', '--no-progress', '--html', os.path.join('no-such-folder', 'report.html'))
    if run.returncode != 1 or 'zraddrres: ports: cannot write' not in run.stderr:
        raise SystemExit('FAIL: an unwritable report: exit %d\n%s' % (run.returncode, run.stderr))
    run = z('ports', '--no-progress', '--html', 'report.html')
    page = os.path.join(work, 'report.html')
    assert os.path.exists(page), run.stderr
    assert HOSTILE not in open(page, encoding='utf-8').read(), 'the hostile name stands in the page as markup'
    expected = json.loads(z('ports', '--json', '--no-progress').stdout)

    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for argument in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
                     '--window-size=1280,1000', '--no-first-run', '--disable-extensions',
                     '--disable-background-networking', '--disable-component-update', '--disable-sync'):
        options.add_argument(argument)
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    browser = webdriver.Chrome(service=Service(driver_path), options=options)
    failures = []

    def check(condition, what):
        if not condition:
            failures.append(what)

    try:
        browser.get('file://' + page)
        rows = lambda: browser.find_elements(By.CSS_SELECTOR, '#inventory tbody tr.port-row')
        column = lambda n: [r.find_elements(By.TAG_NAME, 'td')[n].text for r in rows()]

        check(len(rows()) == len(expected), 'one row per port: %d rows, %d ports' % (len(rows()), len(expected)))
        # Unresolved ports first.
        kinds = [r.get_attribute('data-kind') for r in rows()]
        first_resolved = next((i for i, k in enumerate(kinds) if k != 'none'), len(kinds))
        check(all(k != 'none' for k in kinds[first_resolved:]), 'unresolved ports come first: %s' % kinds)

        # The hostile name is text: in a cell as written, and nothing of it ran.
        check(HOSTILE in column(0), 'the hostile port name shows as text')
        check(browser.execute_script('return window.pwned === undefined'), 'markup in a port name ran')
        check(not browser.find_elements(By.CSS_SELECTOR, '#inventory img, #groups img'), 'markup became an element')

        # Sorting: by the time column, numerically; by port, both ways.
        initial = column(0)
        header = lambda key: browser.find_element(By.CSS_SELECTOR, 'th[data-key="%s"] button' % key)
        header('milliseconds').click()
        times = [float(t) for t in column(4)]
        check(times == sorted(times), 'ms ascending: %s' % times)
        header('port').click()
        ascending = column(0)
        header('port').click()
        descending = column(0)
        check(ascending != initial, 'sorting by port reorders the rows')
        check(descending == list(reversed(ascending)), 'a second click reverses the order')
        check(sorted(ascending) == sorted(initial), 'sorting keeps every row')

        # Addresses sort by value, each kind together, both ways.
        header('address').click()
        addresses = column(2)
        keys = [address_key(a) for a in addresses]
        check(keys == sorted(keys), 'addresses ascending by value: %s' % addresses)
        check(addresses.index('10.0.0.2') < addresses.index('10.0.0.10'), '10.0.0.2 before 10.0.0.10: %s' % addresses)
        header('address').click()
        keys = [address_key(a) for a in column(2)]
        check(keys == sorted(keys, reverse=True), 'addresses descending by value: %s' % column(2))
        # The groups, by device address, in the same order.
        heads = [h.text for h in browser.find_elements(By.CSS_SELECTOR, '#groups h3')]
        grouped = [address_key(h.rsplit(' (', 1)[0]) for h in heads if h != 'No address']
        check(heads[0] == 'No address' and grouped == sorted(grouped), 'groups by address value: %s' % heads)

        # Filtering by kind hides the other kinds.
        Select(browser.find_element(By.ID, 'kind-filter')).select_by_visible_text('IPX')
        shown = [r.get_attribute('data-kind') for r in rows()]
        wanted = sum(1 for p in expected if p['kindName'] == 'IPX')
        check(wanted > 0 and len(shown) == wanted and set(shown) == {'IPX'}, 'filter IPX: %s' % shown)
        Select(browser.find_element(By.ID, 'kind-filter')).select_by_visible_text('all kinds')
        check(len(rows()) == len(expected), 'all kinds shows every row again')

        # A row opens to its account.
        target = next(r for r in rows() if r.find_elements(By.TAG_NAME, 'td')[0].text == 'HP_192.168.10.40')
        target.click()
        accounts = browser.find_elements(By.CSS_SELECTOR, '#inventory tr.account-row')
        check(len(accounts) == 1, 'one account open')
        if accounts:
            text = accounts[0].text
            check('GetIPAddressFromHPStandardTCPIPPort' in text and 'answered' in text,
                  'the account names the answering reader: %s' % text)
            check('192.168.10.40' in text, 'the account gives the answer')

        errors = [entry for entry in browser.get_log('browser') if entry['level'] == 'SEVERE']
        check(not errors, 'console errors: %s' % errors)

        # A link to one port opens its account; a malformed one opens none and
        # leaves the page whole.
        for fragment, opened in (('#open=HP_192.168.10.40', 1), ('#open=%E0', 0), ('#open=%', 0)):
            browser.get('about:blank')
            browser.get('file://' + page + fragment)
            check(len(rows()) == len(expected), '%s: every row: %d' % (fragment, len(rows())))
            accounts = browser.find_elements(By.CSS_SELECTOR, '#inventory tr.account-row')
            check(len(accounts) == opened, '%s: %d accounts open' % (fragment, len(accounts)))
            errors = [entry for entry in browser.get_log('browser') if entry['level'] == 'SEVERE']
            check(not errors, '%s: console errors: %s' % (fragment, errors))
    finally:
        browser.quit()

    for failure in failures:
        print('FAIL: ' + failure, file=sys.stderr)
    if failures:
        return 1
    print('report browser test: passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
