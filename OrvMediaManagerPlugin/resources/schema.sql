PRAGMA auto_vacuum = full;;

PRAGMA temp_store = MEMORY;;

CREATE TABLE IF NOT EXISTS schema_data (
    version INTEGER NOT NULL DEFAULT 0
);;

CREATE TABLE IF NOT EXISTS node (
    node_id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,
    uri TEXT NOT NULL COLLATE NOCASE,
    name TEXT NOT NULL COLLATE NOCASE,
    create_date TEXT NOT NULL DEFAULT current_timestamp,
    UNIQUE (uri)
);;

CREATE TABLE IF NOT EXISTS media_file (
    node_id INTEGER PRIMARY KEY NOT NULL,
    media_file_type INTEGER NOT NULL,
    size INTEGER,
    title TEXT COLLATE NOCASE
);;

ALTER TABLE media_file ADD COLUMN description TEXT DEFAULT NULL;;

ALTER TABLE media_file ADD COLUMN last_played TEXT DEFAULT NULL;;

ALTER TABLE media_file ADD COLUMN user_rating INTEGER DEFAULT NULL;;

ALTER TABLE media_file ADD COLUMN play_count INTEGER NOT NULL DEFAULT 0;;

CREATE TABLE IF NOT EXISTS video_file (
    node_id INTEGER PRIMARY KEY NOT NULL,
    duration INTEGER
);;

CREATE TABLE IF NOT EXISTS recent_file (
    recent_file_id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,
    uri TEXT NOT NULL COLLATE NOCASE,
    node_id INTEGER DEFAULT NULL,
    title_id INTEGER,
    audio_track_id INTEGER,
    subtitle_track_id INTEGER,
    position_msecs INTEGER,
    last_change TEXT NOT NULL DEFAULT 0,
    UNIQUE (uri)
);;

CREATE TABLE IF NOT EXISTS recent_file_position (
    recent_file_id INTEGER NOT NULL,
    title_id INTEGER NOT NULL,
    audio_track_id INTEGER,
    subtitle_track_id INTEGER,
    position_msecs INTEGER
);;

CREATE INDEX IF NOT EXISTS recent_file_position_recent_file_id
    ON recent_file_position (recent_file_id);;

DROP TABLE IF EXISTS download_file;;

CREATE TABLE IF NOT EXISTS acquired_file (
    node_id INTEGER PRIMARY KEY NOT NULL,
    content_provider TEXT,
    content_id INTEGER
);;

DROP TABLE IF EXISTS download_queue_file;;

CREATE TABLE IF NOT EXISTS queued_file (
    node_id INTEGER PRIMARY KEY NOT NULL,
    temp_uri TEXT,
    download_url TEXT NOT NULL,
    download_status INTEGER NOT NULL,
    percent_complete INTEGER NOT NULL DEFAULT 0,
    ticket TEXT,
    ticket_torn INTEGER NOT NULL DEFAULT 0
);;

CREATE TABLE IF NOT EXISTS playlist (
    playlist_id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,
    name TEXT COLLATE NOCASE,
    playlist_type INTEGER,
    media_file_type INTEGER,
    sort_flags INTEGER,
    UNIQUE (name)
);;

CREATE TABLE IF NOT EXISTS playlist_item (
    playlist_item_id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,
    playlist_id INTEGER NOT NULL,
    node_id INTEGER NOT NULL,
    play_order INTEGER NOT NULL
);;

CREATE INDEX IF NOT EXISTS playlist_item_playlist_id ON playlist_item (playlist_id);;

CREATE INDEX IF NOT EXISTS playlist_item_node_id ON playlist_item (node_id);;

DROP TRIGGER IF EXISTS on_node_delete;;

CREATE TRIGGER IF NOT EXISTS on_node_delete AFTER DELETE ON node
BEGIN
    DELETE FROM media_file WHERE node_id = old.node_id;
    DELETE FROM video_file WHERE node_id = old.node_id;
    DELETE FROM queued_file WHERE node_id = old.node_id;
    DELETE FROM acquired_file WHERE node_id = old.node_id;
    DELETE FROM playlist_item WHERE node_id = old.node_id;
    UPDATE recent_file SET node_id = NULL WHERE node_id = old.node_id;
END;;

DROP TRIGGER IF EXISTS on_download_file_delete;;

CREATE TRIGGER IF NOT EXISTS on_playlist_delete AFTER DELETE ON playlist
BEGIN
    DELETE FROM playlist_item WHERE playlist_id = old.playlist_id;
END;;

CREATE TRIGGER IF NOT EXISTS media_file_fkc BEFORE INSERT ON media_file
FOR EACH ROW BEGIN
    SELECT RAISE(ROLLBACK, 'media_file_fkc violation')
    WHERE (SELECT node_id FROM node WHERE node_id = NEW.node_id) IS NULL;
END;;

CREATE TRIGGER IF NOT EXISTS video_file_fkc BEFORE INSERT ON video_file
FOR EACH ROW BEGIN
    SELECT RAISE(ROLLBACK, 'video_file_fkc violation')
    WHERE (SELECT node_id FROM node WHERE node_id = NEW.node_id) IS NULL;
END;;

CREATE TRIGGER IF NOT EXISTS recent_file_position_fkc BEFORE INSERT ON recent_file_position
FOR EACH ROW BEGIN
    SELECT RAISE(ROLLBACK, 'recent_file_position_fkc violation')
    WHERE (SELECT recent_file_id FROM recent_file
           WHERE recent_file_id = NEW.recent_file_id) IS NULL;
END;;

-- Stamps are UTC: 'now' is UTC already (a 'utc' modifier would shift it by the local offset).
CREATE TRIGGER IF NOT EXISTS recent_file_insert_timestamp AFTER INSERT ON recent_file
BEGIN
    UPDATE recent_file SET last_change = strftime('%Y-%m-%d %H:%M:%f', 'now')
    WHERE recent_file_id = new.recent_file_id;
END;;

CREATE TRIGGER IF NOT EXISTS recent_file_update_timestamp
AFTER UPDATE OF title_id, position_msecs ON recent_file
BEGIN
    UPDATE recent_file SET last_change = strftime('%Y-%m-%d %H:%M:%f', 'now')
    WHERE recent_file_id = new.recent_file_id;
END;;

CREATE TRIGGER IF NOT EXISTS recent_file_delete AFTER DELETE ON recent_file
BEGIN
    DELETE FROM recent_file_position WHERE recent_file_id = old.recent_file_id;
END;;

DROP TRIGGER IF EXISTS download_file_fkc;;

CREATE TRIGGER IF NOT EXISTS acquired_file_insert_fkc BEFORE INSERT ON acquired_file
FOR EACH ROW BEGIN
    SELECT RAISE(ROLLBACK, 'acquired_file_fkc violation')
    WHERE (SELECT node_id FROM node WHERE node_id = NEW.node_id) IS NULL;
END;;

CREATE TRIGGER IF NOT EXISTS on_acquired_file_delete AFTER DELETE ON acquired_file
BEGIN
    DELETE FROM queued_file WHERE node_id = old.node_id;
END;;

DROP TRIGGER IF EXISTS download_queue_file_fkc;;

CREATE TRIGGER IF NOT EXISTS queued_file_insert_fkc BEFORE INSERT ON queued_file
FOR EACH ROW BEGIN
    SELECT RAISE(ROLLBACK, 'queued_file_node_fkc violation')
    WHERE (SELECT node_id FROM node WHERE node_id = NEW.node_id) IS NULL;
END;;

CREATE TRIGGER IF NOT EXISTS playlist_item_fkc BEFORE INSERT ON playlist_item
FOR EACH ROW BEGIN
    SELECT RAISE(ROLLBACK, 'playlist_item_node_fkc violation')
    WHERE (SELECT node_id FROM node WHERE node_id = NEW.node_id) IS NULL
       OR (SELECT playlist_id FROM playlist WHERE playlist_id = NEW.playlist_id) IS NULL;
END;;
