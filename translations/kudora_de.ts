<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutBox</name>
    <message>
        <source>About &amp;Qt</source>
        <translation>Über &amp;Qt</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>%1 icon</source>
        <translation>Symbol von %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Reminds you to review the store applications you use.</source>
        <translation>Erinnert Sie daran, die Store-Anwendungen zu bewerten, die Sie verwenden.</translation>
    </message>
    <message>
        <source>Free software under the %1.</source>
        <translation>Freie Software unter der %1.</translation>
    </message>
    <message>
        <source>GNU General Public License, version 3 or later</source>
        <translation>GNU General Public License, Version 3 oder später</translation>
    </message>
</context>
<context>
    <name>AppCommands</name>
    <message>
        <source>&amp;Kudora</source>
        <translation>&amp;Kudora</translation>
    </message>
    <message>
        <source>&amp;About Kudora</source>
        <translation>&amp;Über Kudora</translation>
    </message>
    <message>
        <source>&amp;Rescan Applications</source>
        <translation>Anwendungen &amp;neu einlesen</translation>
    </message>
    <message>
        <source>&amp;Quit Kudora</source>
        <translation>Kudora &amp;beenden</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Main Window</source>
        <translation>&amp;Hauptfenster</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>Fenster &amp;schließen</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Ausschneiden</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>E&amp;infügen</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>Alles aus&amp;wählen</translation>
    </message>
    <message>
        <source>&amp;Find</source>
        <translation>&amp;Suchen</translation>
    </message>
    <message>
        <source>&amp;Ignore</source>
        <translation>I&amp;gnorieren</translation>
    </message>
    <message>
        <source>C&amp;lear Ignore</source>
        <translation>Ignorieren a&amp;ufheben</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Show only ignored Apps</source>
        <translation>Nur &amp;ignorierte Apps anzeigen</translation>
    </message>
    <message>
        <source>Hide &amp;Toolbar</source>
        <translation>&amp;Werkzeugleiste ausblenden</translation>
    </message>
    <message>
        <source>&amp;Develop</source>
        <translation>&amp;Entwickeln</translation>
    </message>
    <message>
        <source>&amp;Mock Mode</source>
        <translation>&amp;Beispielkatalog</translation>
    </message>
    <message>
        <source>Show &amp;Ignored Apps</source>
        <translation>&amp;Ignorierte Apps anzeigen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Kudora &amp;Help</source>
        <translation>Kudora-&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Hide ignored Apps</source>
        <translation>Ignorierte Apps &amp;ausblenden</translation>
    </message>
    <message>
        <source>Show &amp;Toolbar</source>
        <translation>&amp;Werkzeugleiste anzeigen</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>&amp;Undo %1</source>
        <translation>&amp;Rückgängig: %1</translation>
    </message>
    <message>
        <source>&amp;Redo %1</source>
        <translation>&amp;Wiederholen: %1</translation>
    </message>
    <message>
        <source>Reset I&amp;gnore List</source>
        <translation>I&amp;gnorierliste zurücksetzen</translation>
    </message>
    <message>
        <source>Reset Last Re&amp;viewed Date</source>
        <translation>&amp;Letztes Bewertungsdatum zurücksetzen</translation>
    </message>
    <message>
        <source>&amp;Open Store Page</source>
        <translation>Store-Seite ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Copy &amp;ID</source>
        <translation>&amp;ID kopieren</translation>
    </message>
    <message>
        <source>About &amp;Qt</source>
        <translation>Über &amp;Qt</translation>
    </message>
</context>
<context>
    <name>AppInfo</name>
    <message>
        <source>—</source>
        <translation>—</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Nie</translation>
    </message>
    <message>
        <source>App Store</source>
        <translation>App Store</translation>
    </message>
    <message>
        <source>Flatpak</source>
        <translation>Flatpak</translation>
    </message>
    <message>
        <source>Snap</source>
        <translation>Snap</translation>
    </message>
    <message>
        <source>Distribution</source>
        <translation>Distribution</translation>
    </message>
    <message>
        <source>user installation</source>
        <translation>Benutzerinstallation</translation>
    </message>
    <message>
        <source>system installation</source>
        <translation>Systeminstallation</translation>
    </message>
    <message>
        <source>installation “%1”</source>
        <translation>Installation „%1“</translation>
    </message>
    <message>
        <source>·</source>
        <translation>·</translation>
    </message>
    <message>
        <source>Last used %1</source>
        <translation>Zuletzt verwendet am %1</translation>
    </message>
    <message>
        <source>Installed %1, never used</source>
        <translation>Installiert am %1, nie verwendet</translation>
    </message>
    <message>
        <source>Never used</source>
        <translation>Nie verwendet</translation>
    </message>
    <message>
        <source>%1 of 5 stars</source>
        <translation>%1 von 5 Sternen</translation>
    </message>
    <message>
        <source>Your review of %1: “%2”</source>
        <translation>Ihre Bewertung vom %1: „%2“</translation>
    </message>
    <message>
        <source>You opened its store page on %1, after your review of %2</source>
        <translation>Sie haben die Store-Seite am %1 geöffnet, nach Ihrer Bewertung vom %2</translation>
    </message>
    <message>
        <source>You opened its store page on %1; no review by you has been found</source>
        <translation>Sie haben die Store-Seite am %1 geöffnet; eine Bewertung von Ihnen wurde nicht gefunden</translation>
    </message>
</context>
<context>
    <name>AppTableModel</name>
    <message>
        <source>Last launched date</source>
        <translation>Datum des letzten Starts</translation>
    </message>
    <message>
        <source>Showing file modification date (app never launched)</source>
        <translation>Änderungsdatum der Dateien (App nie gestartet)</translation>
    </message>
    <message>
        <source>Open ↗</source>
        <translation>Öffnen ↗</translation>
    </message>
    <message>
        <source>Open its page in the software centre</source>
        <translation>Ihre Seite in der Softwareverwaltung öffnen</translation>
    </message>
    <message>
        <source>Open its page in the App Store</source>
        <translation>Ihre Seite im App Store öffnen</translation>
    </message>
    <message>
        <source>Open its page on Flathub</source>
        <translation>Ihre Seite auf Flathub öffnen</translation>
    </message>
    <message>
        <source>Open its page on the Snap Store</source>
        <translation>Ihre Seite im Snap Store öffnen</translation>
    </message>
    <message>
        <source>No software centre here can open its page</source>
        <translation>Keine Softwareverwaltung hier kann ihre Seite öffnen</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>Anwendung</translation>
    </message>
    <message>
        <source>Last Accessed</source>
        <translation>Zuletzt verwendet</translation>
    </message>
    <message>
        <source>Last Reviewed</source>
        <translation>Zuletzt bewertet</translation>
    </message>
    <message>
        <source>Icon</source>
        <translation>Symbol</translation>
    </message>
    <message>
        <source>%1. Opening it marks the app as reviewed.</source>
        <translation>%1. Das Öffnen markiert die App als bewertet.</translation>
    </message>
    <message>
        <source>Your Rating</source>
        <translation>Ihre Bewertung</translation>
    </message>
</context>
<context>
    <name>AppTableView</name>
    <message>
        <source>Applications</source>
        <translation>Anwendungen</translation>
    </message>
</context>
<context>
    <name>AutomaticChecksView</name>
    <message>
        <source>Check for Updates Au&amp;tomatically</source>
        <translation>Au&amp;tomatisch nach Aktualisierungen suchen</translation>
    </message>
</context>
<context>
    <name>CatalogueTexts</name>
    <message numerus="yes">
        <source>%n ignored apps</source>
        <translation>
            <numerusform>%n ignorierte App</numerusform>
            <numerusform>%n ignorierte Apps</numerusform>
        </translation>
    </message>
    <message>
        <source>No ignored apps.</source>
        <translation>Keine ignorierten Apps.</translation>
    </message>
    <message numerus="yes">
        <source>%n App Store apps found</source>
        <translation>
            <numerusform>%n App-Store-App gefunden</numerusform>
            <numerusform>%n App-Store-Apps gefunden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n store apps found</source>
        <translation>
            <numerusform>%n Store-App gefunden</numerusform>
            <numerusform>%n Store-Apps gefunden</numerusform>
        </translation>
    </message>
    <message>
        <source>·</source>
        <translation>·</translation>
    </message>
    <message numerus="yes">
        <source>%n ignored</source>
        <translation>
            <numerusform>%n ignoriert</numerusform>
            <numerusform>%n ignoriert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n apps ignored.</source>
        <translation>
            <numerusform>%n App ignoriert.</numerusform>
            <numerusform>%n Apps ignoriert.</numerusform>
        </translation>
    </message>
    <message>
        <source>No App Store apps found.</source>
        <translation>Keine App-Store-Apps gefunden.</translation>
    </message>
    <message>
        <source>No store apps found.</source>
        <translation>Keine Store-Apps gefunden.</translation>
    </message>
    <message>
        <source>App Store</source>
        <translation>App Store</translation>
    </message>
    <message>
        <source>Store</source>
        <translation>Store</translation>
    </message>
    <message>
        <source>Open App Store page for %1</source>
        <translation>App-Store-Seite von %1 öffnen</translation>
    </message>
    <message>
        <source>Open store page for %1</source>
        <translation>Store-Seite von %1 öffnen</translation>
    </message>
</context>
<context>
    <name>CheckForUpdatesView</name>
    <message>
        <source>Check for &amp;Updates…</source>
        <translation>Nach &amp;Aktualisierungen suchen…</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Prints the applications the window lists and exits: name, store, last used, last reviewed and id, most recently used first.</source>
        <translation>Gibt die Anwendungen aus, die das Fenster auflistet, und endet: Name, Store, letzte Verwendung, letzte Bewertung und ID, die zuletzt verwendeten zuerst.</translation>
    </message>
    <message>
        <source>With --list: prints them as JSON, for scripts.</source>
        <translation>Mit --list: gibt sie als JSON aus, für Skripte.</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>Unerwartetes Argument: %1</translation>
    </message>
    <message>
        <source>--json goes with --list.</source>
        <translation>--json gibt es nur mit --list.</translation>
    </message>
    <message>
        <source>Try “%1 --help” for what it takes.</source>
        <translation>„%1 --help“ zeigt, was es annimmt.</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Store</source>
        <translation>Store</translation>
    </message>
    <message>
        <source>Last Reviewed</source>
        <translation>Zuletzt bewertet</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Some applications could not be read; the list may miss some.</source>
        <translation>Einige Anwendungen konnten nicht gelesen werden; in der Liste können welche fehlen.</translation>
    </message>
    <message>
        <source>Kudora cannot read its settings file “%1”, so the list has no review dates and shows ignored apps too.</source>
        <translation>Kudora kann seine Einstellungsdatei „%1“ nicht lesen, deshalb enthält die Liste keine Bewertungsdaten und zeigt auch ignorierte Apps.</translation>
    </message>
    <message>
        <source>Lists the store applications you installed with when you last used and last reviewed each one, and opens their store pages to review them.

Exit status of --list: 0 when every application was read; 3 when some applications or the settings file could not be read, after printing what could be.</source>
        <translation>Listet die Store-Anwendungen auf, die Sie installiert haben, mit der letzten Verwendung und der letzten Bewertung jeder einzelnen, und öffnet ihre Store-Seiten, um sie zu bewerten.

Exit-Status von --list: 0, wenn jede Anwendung gelesen wurde; 3, wenn einige Anwendungen oder die Einstellungsdatei nicht gelesen werden konnten, nachdem ausgegeben wurde, was gelesen werden konnte.</translation>
    </message>
    <message>
        <source>Last Accessed</source>
        <translation>Zuletzt verwendet</translation>
    </message>
    <message>
        <source>Your Rating</source>
        <translation>Ihre Bewertung</translation>
    </message>
</context>
<context>
    <name>ContentView</name>
    <message numerus="yes">
        <source>%n apps ignored.</source>
        <translation>
            <numerusform>%n App ignoriert.</numerusform>
            <numerusform>%n Apps ignoriert.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Ignore cleared: %n apps.</source>
        <translation>
            <numerusform>Ignorieren aufgehoben: %n App.</numerusform>
            <numerusform>Ignorieren aufgehoben: %n Apps.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Last reviewed date reset: %n apps.</source>
        <translation>
            <numerusform>Bewertungsdatum zurückgesetzt: %n App.</numerusform>
            <numerusform>Bewertungsdatum zurückgesetzt: %n Apps.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Ignore list cleared: %n apps.</source>
        <translation>
            <numerusform>Ignorierliste geleert: %n App.</numerusform>
            <numerusform>Ignorierliste geleert: %n Apps.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>DateTexts</name>
    <message>
        <source>en</source>
        <comment>The ICU locale id of this catalogue&apos;s language, in which relative dates are written (&quot;de&quot; for German).</comment>
        <translation>de</translation>
    </message>
</context>
<context>
    <name>EmptyStateView</name>
    <message>
        <source>Reset Ignore List</source>
        <translation>Ignorierliste zurücksetzen</translation>
    </message>
</context>
<context>
    <name>IgnoreListCommand</name>
    <message>
        <source>Ignore</source>
        <translation>Ignorieren</translation>
    </message>
    <message>
        <source>Clear Ignore</source>
        <translation>Ignorieren aufheben</translation>
    </message>
    <message>
        <source>Reset Ignore List</source>
        <translation>Ignorierliste zurücksetzen</translation>
    </message>
</context>
<context>
    <name>KudoraApp</name>
    <message>
        <source>%1 is running already but does not answer.</source>
        <translation>%1 läuft bereits, antwortet aber nicht.</translation>
    </message>
    <message>
        <source>Check for updates automatically? Kudora would then look for a new version from time to time. “Check for Updates Automatically” in the menu changes this later.</source>
        <translation>Automatisch nach Aktualisierungen suchen? Kudora sieht dann von Zeit zu Zeit nach einer neuen Version. „Automatisch nach Aktualisierungen suchen“ im Menü ändert das später.</translation>
    </message>
    <message>
        <source>Check Automatically</source>
        <translation>Automatisch suchen</translation>
    </message>
    <message>
        <source>Don’t Check</source>
        <translation>Nicht suchen</translation>
    </message>
</context>
<context>
    <name>Launcher</name>
    <message>
        <source>Kudora cannot open its window: %1</source>
        <translation>Kudora kann sein Fenster nicht öffnen: %1</translation>
    </message>
    <message>
        <source>Kudora needs a graphical session to show its window, and there is no display here. &quot;%1 --list&quot; prints your applications without one.</source>
        <translation>Kudora braucht eine grafische Sitzung, um sein Fenster zu zeigen, und hier gibt es keine Anzeige. „%1 --list“ gibt Ihre Anwendungen auch ohne eine aus.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>More Toolbar Items</source>
        <translation>Weitere Werkzeugleistenelemente</translation>
    </message>
</context>
<context>
    <name>MessageBar</name>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close Message</source>
        <translation>Meldung schließen</translation>
    </message>
    <message>
        <source>Review dates and ignored apps can’t be saved until Kudora can read its settings file “%1”. Changes you make now are kept until you quit.</source>
        <translation>Bewertungsdaten und ignorierte Apps können erst gespeichert werden, wenn Kudora seine Einstellungsdatei „%1“ lesen kann. Was Sie jetzt ändern, bleibt bis zum Beenden erhalten.</translation>
    </message>
    <message>
        <source>The settings file was damaged, so review dates and ignored apps start afresh. The damaged file was kept as “%1”.</source>
        <translation>Die Einstellungsdatei war beschädigt, deshalb beginnen Bewertungsdaten und ignorierte Apps von vorn. Die beschädigte Datei wurde als „%1“ aufbewahrt.</translation>
    </message>
    <message>
        <source>No application could open “%1”, so no review was recorded. You can open the address yourself to write one.</source>
        <translation>Keine Anwendung konnte „%1“ öffnen, deshalb wurde keine Bewertung vermerkt. Sie können die Adresse selbst öffnen, um eine zu schreiben.</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Copy Address</source>
        <translation>Adresse kopieren</translation>
    </message>
    <message>
        <source>No application could open “%1”. You can open the address yourself.</source>
        <translation>Keine Anwendung konnte „%1“ öffnen. Sie können die Adresse selbst öffnen.</translation>
    </message>
    <message>
        <source>No software centre could open “%1”, so no review was recorded. A browser cannot open this address; open it in a software centre such as GNOME Software, KDE Discover or the Snap Store.</source>
        <translation>Keine Softwareverwaltung konnte „%1“ öffnen, deshalb wurde keine Bewertung vermerkt. Ein Browser kann diese Adresse nicht öffnen; öffnen Sie sie in einer Softwareverwaltung wie GNOME Software, KDE Discover oder dem Snap Store.</translation>
    </message>
    <message>
        <source>App Store apps could not be listed in full: an applications folder could not be read. Their review dates are kept.</source>
        <translation>App-Store-Apps konnten nicht vollständig aufgelistet werden: Ein Programmordner konnte nicht gelesen werden. Ihre Bewertungsdaten bleiben erhalten.</translation>
    </message>
    <message>
        <source>Flatpak apps could not be listed in full: an installation could not be read. Their review dates are kept.</source>
        <translation>Flatpak-Apps konnten nicht vollständig aufgelistet werden: Eine Installation konnte nicht gelesen werden. Ihre Bewertungsdaten bleiben erhalten.</translation>
    </message>
    <message>
        <source>Snaps could not be listed: snapd did not answer. Their review dates are kept.</source>
        <translation>Snaps konnten nicht aufgelistet werden: snapd hat nicht geantwortet. Ihre Bewertungsdaten bleiben erhalten.</translation>
    </message>
    <message>
        <source>Distribution apps could not be listed in full: their AppStream metadata could not be read. Their review dates are kept.</source>
        <translation>Apps der Distribution konnten nicht vollständig aufgelistet werden: Ihre AppStream-Metadaten konnten nicht gelesen werden. Ihre Bewertungsdaten bleiben erhalten.</translation>
    </message>
</context>
<context>
    <name>OnlineReviewsController</name>
    <message>
        <source>Look Up My &amp;Reviews Online</source>
        <translation>Meine &amp;Bewertungen online suchen</translation>
    </message>
    <message numerus="yes">
        <source>Kudora can look up which of your %n applications you have reviewed in GNOME Software or KDE Discover. It would send their ids, and never who you are, to the Open Desktop Ratings Service (%1). “Look Up My Reviews Online” in the View menu changes this later.</source>
        <translation>
            <numerusform>Kudora kann nachsehen, ob Sie Ihre %n Anwendung in GNOME Software oder KDE Discover bewertet haben. Dazu würde es ihre ID an den Open Desktop Ratings Service (%1) senden, aber niemals, wer Sie sind. „Meine Bewertungen online suchen“ im Menü „Ansicht“ ändert dies später.</numerusform>
            <numerusform>Kudora kann nachsehen, welche Ihrer %n Anwendungen Sie in GNOME Software oder KDE Discover bewertet haben. Dazu würde es ihre IDs an den Open Desktop Ratings Service (%1) senden, aber niemals, wer Sie sind. „Meine Bewertungen online suchen“ im Menü „Ansicht“ ändert dies später.</numerusform>
        </translation>
    </message>
    <message>
        <source>Look Up My Reviews</source>
        <translation>Meine Bewertungen suchen</translation>
    </message>
    <message>
        <source>Not Now</source>
        <translation>Nicht jetzt</translation>
    </message>
    <message>
        <source>Your reviews cannot be looked up: the ratings service’s address %1 is neither an https address nor one on this computer.</source>
        <translation>Ihre Bewertungen können nicht nachgesehen werden: Die Adresse des Bewertungsdienstes %1 ist weder eine https-Adresse noch eine auf diesem Computer.</translation>
    </message>
</context>
<context>
    <name>ReviewDatesCommand</name>
    <message>
        <source>Review</source>
        <translation>Bewerten</translation>
    </message>
    <message>
        <source>Reset Last Reviewed Date</source>
        <translation>Letztes Bewertungsdatum zurücksetzen</translation>
    </message>
</context>
<context>
    <name>ScanningPlaceholder</name>
    <message>
        <source>Scanning Applications…</source>
        <translation>Anwendungen werden gesucht…</translation>
    </message>
</context>
<context>
    <name>SearchField</name>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Clear Search</source>
        <translation>Suche leeren</translation>
    </message>
</context>
<context>
    <name>StandardUserDriver</name>
    <message>
        <source>You’re up to date!</source>
        <translation>Sie sind auf dem neuesten Stand!</translation>
    </message>
    <message>
        <source>%1 %2 is currently the newest version available.</source>
        <translation>%1 %2 ist derzeit die neueste verfügbare Version.</translation>
    </message>
    <message>
        <source>A new version of %1 is available!</source>
        <translation>Eine neue Version von %1 ist verfügbar!</translation>
    </message>
    <message>
        <source>%1 %2 is now available—you have %3. Would you like to download it now?</source>
        <translation>%1 %2 ist jetzt verfügbar – Sie haben %3. Möchten Sie die neue Version jetzt herunterladen?</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>Diese Version überspringen</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>Später erinnern</translation>
    </message>
    <message>
        <source>Update Error!</source>
        <translation>Fehler bei der Aktualisierung!</translation>
    </message>
</context>
<context>
    <name>Updater</name>
    <message>
        <source>There is no network connection, so the update server can’t be reached. Please check the connection and try again.</source>
        <translation>Es besteht keine Netzwerkverbindung, daher ist der Server für Aktualisierungen nicht erreichbar. Bitte prüfen Sie die Verbindung und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The update server did not answer. Please try again later.</source>
        <translation>Der Server für Aktualisierungen hat nicht geantwortet. Bitte versuchen Sie es später erneut.</translation>
    </message>
    <message>
        <source>The update feed could not be read. Please try again later.</source>
        <translation>Die Liste der Aktualisierungen konnte nicht gelesen werden. Bitte versuchen Sie es später erneut.</translation>
    </message>
</context>
<context>
    <name>UserHash</name>
    <message>
        <source>Your own reviews cannot be recognized: the computer’s id in %1 cannot be read.</source>
        <translation>Ihre eigenen Bewertungen können nicht erkannt werden: Die Kennung des Computers in „%1“ kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Your own reviews cannot be recognized: your user account has no name.</source>
        <translation>Ihre eigenen Bewertungen können nicht erkannt werden: Ihr Benutzerkonto hat keinen Namen.</translation>
    </message>
</context>
</TS>
