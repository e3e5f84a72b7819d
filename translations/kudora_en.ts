<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>CatalogueTexts</name>
    <message numerus="yes">
        <source>%n ignored apps</source>
        <translation>
            <numerusform>%n ignored app</numerusform>
            <numerusform>%n ignored apps</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n App Store apps found</source>
        <translation>
            <numerusform>%n App Store app found</numerusform>
            <numerusform>%n App Store apps found</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n store apps found</source>
        <translation>
            <numerusform>%n store app found</numerusform>
            <numerusform>%n store apps found</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n ignored</source>
        <translation>
            <numerusform>%n ignored</numerusform>
            <numerusform>%n ignored</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n apps ignored.</source>
        <translation>
            <numerusform>%n app ignored.</numerusform>
            <numerusform>%n apps ignored.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ContentView</name>
    <message numerus="yes">
        <source>%n apps ignored.</source>
        <translation>
            <numerusform>%n app ignored.</numerusform>
            <numerusform>%n apps ignored.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Ignore cleared: %n apps.</source>
        <translation>
            <numerusform>Ignore cleared: %n app.</numerusform>
            <numerusform>Ignore cleared: %n apps.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Last reviewed date reset: %n apps.</source>
        <translation>
            <numerusform>Last reviewed date reset: %n app.</numerusform>
            <numerusform>Last reviewed date reset: %n apps.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Ignore list cleared: %n apps.</source>
        <translation>
            <numerusform>Ignore list cleared: %n app.</numerusform>
            <numerusform>Ignore list cleared: %n apps.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>OnlineReviewsController</name>
    <message numerus="yes">
        <source>Kudora can look up which of your %n applications you have reviewed in GNOME Software or KDE Discover. It would send their ids, and never who you are, to the Open Desktop Ratings Service (%1). “Look Up My Reviews Online” in the View menu changes this later.</source>
        <translation>
            <numerusform>Kudora can look up whether you have reviewed your %n application in GNOME Software or KDE Discover. It would send its id, and never who you are, to the Open Desktop Ratings Service (%1). “Look Up My Reviews Online” in the View menu changes this later.</numerusform>
            <numerusform>Kudora can look up which of your %n applications you have reviewed in GNOME Software or KDE Discover. It would send their ids, and never who you are, to the Open Desktop Ratings Service (%1). “Look Up My Reviews Online” in the View menu changes this later.</numerusform>
        </translation>
    </message>
</context>
</TS>
