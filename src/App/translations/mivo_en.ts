<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>MainToolbarState</name>
    <message numerus="yes">
        <source>%n review(s)</source>
        <translation>
            <numerusform>%n review</numerusform>
            <numerusform>%n reviews</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PlaylistGroupHeader</name>
    <message numerus="yes">
        <source>%1 / %n</source>
        <translation>
            <numerusform>%1 / %n</numerusform>
            <numerusform>%1 / %n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n need review</source>
        <translation>
            <numerusform>%n need review</numerusform>
            <numerusform>%n need review</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n failed</source>
        <translation>
            <numerusform>%n failed</numerusform>
            <numerusform>%n failed</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>VPNStatus</name>
    <message numerus="yes">
        <source>%n node(s)</source>
        <translation>
            <numerusform>%n node</numerusform>
            <numerusform>%n nodes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>mivo::LinearProgress</name>
    <message numerus="yes">
        <source>%n percent</source>
        <translation>
            <numerusform>%n percent</numerusform>
            <numerusform>%n percent</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>mivo::OrphansBanner</name>
    <message numerus="yes">
        <source>%n leftover file(s) no longer in your playlists</source>
        <translation>
            <numerusform>%n leftover file no longer in your playlists</numerusform>
            <numerusform>%n leftover files no longer in your playlists</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>and %n more file(s)…</source>
        <translation>
            <numerusform>and %n more file…</numerusform>
            <numerusform>and %n more files…</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>mivo::OverallSummaryBar</name>
    <message numerus="yes">
        <source>%n done</source>
        <translation>
            <numerusform>%n done</numerusform>
            <numerusform>%n done</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n on disk</source>
        <translation>
            <numerusform>%n on disk</numerusform>
            <numerusform>%n on disk</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n flagged</source>
        <translation>
            <numerusform>%n flagged</numerusform>
            <numerusform>%n flagged</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n failed</source>
        <translation>
            <numerusform>%n failed</numerusform>
            <numerusform>%n failed</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n skipped</source>
        <translation>
            <numerusform>%n skipped</numerusform>
            <numerusform>%n skipped</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 / %n done</source>
        <translation>
            <numerusform>%1 / %n done</numerusform>
            <numerusform>%1 / %n done</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n need review</source>
        <translation>
            <numerusform>%n need review</numerusform>
            <numerusform>%n need review</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>mivo::PreviewSummaryBar</name>
    <message numerus="yes">
        <source>%n playlist(s)</source>
        <translation>
            <numerusform>%n playlist</numerusform>
            <numerusform>%n playlists</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n track(s)</source>
        <translation>
            <numerusform>%n track</numerusform>
            <numerusform>%n tracks</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n on disk</source>
        <translation>
            <numerusform>%n on disk</numerusform>
            <numerusform>%n on disk</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n not downloaded</source>
        <translation>
            <numerusform>%n not downloaded</numerusform>
            <numerusform>%n not downloaded</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n playlist(s) could not be loaded</source>
        <translation>
            <numerusform>%n playlist could not be loaded</numerusform>
            <numerusform>%n playlists could not be loaded</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>mivo::SidebarDelegate</name>
    <message numerus="yes">
        <source>%n track(s)</source>
        <translation>
            <numerusform>%n track</numerusform>
            <numerusform>%n tracks</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>mivo::SidebarModel</name>
    <message numerus="yes">
        <source>%n tracks</source>
        <translation>
            <numerusform>%n tracks</numerusform>
            <numerusform>%n tracks</numerusform>
        </translation>
    </message>
</context>
</TS>
