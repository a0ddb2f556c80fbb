#pragma once

#include "Transport/HelperEvent.h"
#include "Transport/JSONValue.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/SafeConfig.h"

#include <QList>
#include <QString>

// Fixed sample values for design-time previews of the windows: two playlists,
// three tracks with their preview rows, a configuration and the events of one
// sync run. Nothing in them depends on the machine, the user or the time.
namespace mivo::SampleData {

// "spotify:demo", the playlist the tracks and the sync script belong to.
QString playlistId();
// The id of the sample track in `row`: the playlist id, "#" and the row.
QString trackId(qint64 row);

// Built once on first use, then shared.
const QList<PlaylistDTO>& playlists();
const QList<TrackDTO>& tracks();
const QList<PreviewTrackDTO>& previewTracks();
const SafeConfig& sampleConfig();

// The preview rows in the shape of the getPlaylistTracks result ({"tracks": [...]}),
// built afresh on every call.
JSONValue previewTracksResult();
// One run of the sample playlist through a sync, 15 events, built afresh on every call.
QList<HelperEvent> syncScript();

} // namespace mivo::SampleData
