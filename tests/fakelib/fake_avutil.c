/* Stands in for a libavutil of another generation: it has a version, nothing else. */
unsigned avutil_version(void) { return (57u << 16) | (28u << 8) | 100u; }
