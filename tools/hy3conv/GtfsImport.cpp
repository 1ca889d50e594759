#include "GtfsImport.h"

#include "FareCsv.h"
#include "GtfsFares.h"
#include "platform/Cp932.h"
#include "readings/YomiText.h"

#include <QSet>

#include <algorithm>
#include <numeric>
#include <optional>
#include <utility>

namespace Gtfs {

namespace {

// The tickets whose fares each board shows.
constexpr int kTickets12 = 12;
constexpr int kTickets36 = 150;
// A note names this many examples of its kind, then "…".
constexpr qsizetype kNoteExamples = 5;

// One line for a kind of note: text (holding %1 for the count), then at
// most five examples.
QString noteLine(const QString& text, const QStringList& examples)
{
    QStringList shown = examples.mid(0, kNoteExamples);
    if (examples.size() > kNoteExamples)
        shown << QStringLiteral("…");
    return text.arg(examples.size()) + QStringLiteral(": ") + shown.join(QStringLiteral("、"));
}

QString routeLabel(const Route& route)
{
    QStringList parts{text(route.id)};
    if (!route.shortName.isEmpty())
        parts << route.shortName;
    if (!route.longName.isEmpty())
        parts << route.longName;
    return parts.join(QLatin1Char(' '));
}

bool isKeito(const QString& s)
{
    if (s.isEmpty() || s.size() > 5)
        return false;
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// The board names files after the route number without leading zeros.
QString withoutLeadingZeros(const QString& digits)
{
    return QString::number(digits.toInt());
}

QString keitoFor(const Route& route, const QString& given)
{
    if (!given.isEmpty()) {
        if (!isKeito(given))
            throw Error(QStringLiteral("--keito「%1」は系統番号になりません (1～5 桁の数字で指定してください)。").arg(given));
        return withoutLeadingZeros(given);
    }
    if (isKeito(route.shortName))
        return withoutLeadingZeros(route.shortName);
    throw Error(QStringLiteral("路線「%1」の route_short_name「%2」は 1～5 桁の数字ではないため、系統番号 (ファイル名) に"
                               "なりません。--keito で系統番号を指定してください (例: --keito 101)。")
                    .arg(routeLabel(route), route.shortName));
}

// Line breaks and other control characters (a quoted field may hold them)
// would break the board's one-line name and the announcement file's lines.
QString oneLine(const QString& s)
{
    QString out = s;
    for (QChar& c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    qsizetype begin = 0;
    qsizetype end = out.size();
    while (begin < end && out[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && out[end - 1] == QLatin1Char(' '))
        --end;
    return out.mid(begin, end - begin);
}

const RouteTrip& tripOf(const Feed& feed, std::size_t route, int direction)
{
    std::array<const RouteTrip*, 2> byDirection{};
    for (const RouteTrip& trip : feed.trips) {
        if (trip.route == route)
            byDirection[static_cast<std::size_t>(trip.direction)] = &trip;
    }
    // Many feeds publish each direction as a route of its own.
    if (direction < 0)
        direction = !byDirection[0] && byDirection[1] ? 1 : 0;
    if (!byDirection[static_cast<std::size_t>(direction)]) {
        throw Error(QStringLiteral("路線「%1」には方向 %2 (direction_id) の便がありません。")
                        .arg(routeLabel(feed.routes[route]), QString::number(direction)));
    }
    return *byDirection[static_cast<std::size_t>(direction)];
}

struct RouteStop
{
    const std::string* id = nullptr;
    const Stop* stop = nullptr;
    QString name; // on one line, checked for code page 932
};

std::vector<RouteStop> stopsOfTrip(const Feed& feed, const RouteTrip& trip)
{
    std::vector<const StopTime*> times;
    for (const StopTime& st : trip.stopTimes) {
        if (st.sequence < 0)
            throw Error(QStringLiteral("stop_times.txt: %1 行目: stop_sequence が 0 以上の整数ではありません。").arg(st.line));
        times.push_back(&st);
    }
    std::stable_sort(times.begin(), times.end(),
                     [](const StopTime* a, const StopTime* b) { return a->sequence < b->sequence; });
    if (times.size() > static_cast<std::size_t>(Hy3File::MaxRows)) {
        throw Error(QStringLiteral("便「%1」の停留所が %2 あります。運賃データファイルは %3 停留所までです。")
                        .arg(text(trip.id), QString::number(times.size()), QString::number(Hy3File::MaxRows)));
    }

    std::vector<RouteStop> stops;
    for (const StopTime* st : times) {
        const auto it = feed.stops.find(st->stopId);
        if (it == feed.stops.end()) {
            throw Error(QStringLiteral("stop_times.txt: %1 行目: 停留所 stop_id「%2」が stops.txt にありません。")
                            .arg(st->line).arg(text(st->stopId)));
        }
        RouteStop rs{&it->first, &it->second, oneLine(it->second.name)};
        try {
            FareCsv::checkName(rs.name, 0);
        } catch (const FareCsv::Error& e) {
            throw Error(QStringLiteral("stops.txt: 停留所 %1: %2").arg(text(it->first), e.message()));
        }
        stops.push_back(std::move(rs));
    }
    if (stops.size() < 2) {
        throw Error(QStringLiteral("便「%1」の停留所が %2 つしかありません (2 つ以上必要です)。")
                        .arg(text(trip.id), QString::number(stops.size())));
    }
    return stops;
}

std::vector<Zone> zonesOf(const std::vector<RouteStop>& stops)
{
    std::vector<Zone> zones;
    for (const RouteStop& s : stops)
        zones.push_back(s.stop->zone);
    return zones;
}

QString zoneLabel(const Feed& feed, const RouteStop& s)
{
    return s.stop->zone == 0 ? QStringLiteral("%1 (zone_id なし)").arg(s.name) : text(feed.zoneIds[s.stop->zone]);
}

// The stop's own reading, by its stop_id or its name, else its station's.
const QString* readingOf(const Feed& feed, const std::string& id, const Stop& stop)
{
    if (const auto it = feed.readingByStopId.find(id); it != feed.readingByStopId.end())
        return &it->second;
    if (const auto it = feed.readingByName.find(stop.name.toStdString()); it != feed.readingByName.end())
        return &it->second;
    if (stop.parent.empty() || stop.parent == id)
        return nullptr;
    const auto station = feed.stops.find(stop.parent);
    if (station == feed.stops.end())
        return nullptr;
    return readingOf(feed, station->first, Stop{station->second.name, 0, {}});
}

// The name as the tape says it. With a reading, the name goes in the ruby
// that the readings understand, ｜名前《よみ》: the voice reads the reading
// and whoever reads the file sees the name. The ｜ is always written, so
// that a name with kana in it (港が丘) is covered whole.
class SpokenNames
{
public:
    explicit SpokenNames(const Feed& feed)
        : m_feed(feed)
    {
    }

    QString spoken(const RouteStop& s)
    {
        // The announcement file quotes its texts and has no way to write a
        // quote inside one; the ruby's own marks would cut the name short.
        QString name = s.name;
        for (const QChar mark : QStringLiteral("\"《》｜|"))
            name.remove(mark);
        const QString* reading = readingOf(m_feed, *s.id, *s.stop);
        if (!reading) {
            remember(m_without, s.name);
            return name;
        }
        QString kana = oneLine(*reading).normalized(QString::NormalizationForm_KC);
        kana.remove(QLatin1Char(' '));
        if (!Yomi::Text::isKanaReading(kana) || !FareCsv::unencodableCharacter(kana).isEmpty()) {
            remember(m_notKana, QStringLiteral("%1「%2」").arg(s.name, oneLine(*reading)));
            return name;
        }
        return QStringLiteral("｜%1《%2》").arg(name, kana);
    }

    void addNotes(QStringList& notes) const
    {
        if (!m_without.isEmpty()) {
            notes << noteLine(QStringLiteral("読み (translations.txt の ja-Hrkt) のない停留所が %1 あり、放送では辞書で読みます"),
                              m_without);
        }
        if (!m_notKana.isEmpty())
            notes << noteLine(QStringLiteral("読みがかなだけで書かれていないため使わなかった停留所が %1 あります"), m_notKana);
    }

private:
    static void remember(QStringList& list, const QString& example)
    {
        if (!list.contains(example))
            list << example;
    }

    const Feed& m_feed;
    QStringList m_without;
    QStringList m_notKana;
};

// What the cells of the fare rows noticed, a kind per list.
struct FareNotes
{
    QStringList uncovered;
    QStringList loops;
    QSet<QString> seen;

    void pair(const QString& label, const std::vector<int>& prices)
    {
        if (seen.contains(label))
            return;
        seen.insert(label);
        if (prices.empty())
            uncovered << label;
        if (prices.size() > 1) {
            QStringList yen;
            for (int p : prices)
                yen << QString::number(p);
            loops << QStringLiteral("%1 (%2)").arg(label, yen.join(QStringLiteral("・")));
        }
    }
};

} // namespace

std::size_t findRoute(const std::vector<Route>& routes, const QString& wanted)
{
    const std::string id = wanted.toStdString();
    for (std::size_t r = 0; r < routes.size(); ++r) {
        if (routes[r].id == id)
            return r;
    }
    std::vector<std::size_t> named;
    for (std::size_t r = 0; r < routes.size(); ++r) {
        if (routes[r].shortName == wanted)
            named.push_back(r);
    }
    if (named.size() == 1)
        return named.front();
    if (named.empty()) {
        throw Error(QStringLiteral("路線「%1」がありません (route_id か route_short_name で指定してください。"
                                   "路線の一覧は hy3conv routes で出せます)。").arg(wanted));
    }
    QStringList candidates;
    for (std::size_t r : named)
        candidates << routeLabel(routes[r]);
    throw Error(QStringLiteral("路線名「%1」に当たる路線が %2 本あります。route_id で選んでください: %3")
                    .arg(wanted, QString::number(named.size()), candidates.join(QStringLiteral("、"))));
}

std::vector<RouteSummary> summarize(FeedSource& source)
{
    FeedReader reader(source);
    std::vector<std::size_t> all(reader.routes().size());
    std::iota(all.begin(), all.end(), std::size_t{0});
    const Feed feed = reader.read(all);
    std::vector<RouteSummary> out(feed.routes.size());
    for (std::size_t r = 0; r < feed.routes.size(); ++r)
        out[r].route = feed.routes[r];
    for (const RouteTrip& trip : feed.trips) {
        DirectionSummary& d = out[trip.route].directions[static_cast<std::size_t>(trip.direction)];
        d.stops = static_cast<int>(trip.stopTimes.size());
        d.headsign = oneLine(trip.headsign);
        try {
            const std::vector<RouteStop> stops = stopsOfTrip(feed, trip);
            FareTable fares(feed, trip.route, false);
            d.sections = fareSections(zonesOf(stops), fares).back();
            if (d.headsign.isEmpty())
                d.headsign = stops.back().name;
        } catch (const Error&) {
            d.sections = -1; // importing the route says why
        }
    }
    return out;
}

ImportedRoute importRoute(FeedSource& source, const ImportRequest& request)
{
    FeedReader reader(source);
    const std::size_t route = findRoute(reader.routes(), request.route);
    // Refused before the rest of the feed is read.
    keitoFor(reader.routes()[route], request.keito);
    return importRoute(reader.read({route}), route, request);
}

ImportedRoute importRoute(const Feed& feed, std::size_t routeIndex, const ImportRequest& request)
{
    ImportedRoute out;
    const Route& route = feed.routes.at(routeIndex);
    out.route = route;
    out.keito = keitoFor(route, request.keito);
    if (request.ic && !feed.hasIcPrice) {
        throw Error(feed.missingFareFiles.contains(QStringLiteral("fare_attributes.txt"))
                        ? QStringLiteral("fare_attributes.txt がないため、IC カードの運賃 (--ic) は使えません。")
                        : QStringLiteral("fare_attributes.txt に IC カードの運賃の列 ic_price がないため、--ic は使えません "
                                         "(--ic を付けなければ現金の運賃 price を使います)。"));
    }
    const RouteTrip& trip = tripOf(feed, routeIndex, request.direction);
    out.direction = trip.direction;
    const std::vector<RouteStop> stops = stopsOfTrip(feed, trip);
    const std::vector<Zone> zones = zonesOf(stops);
    const std::size_t n = stops.size();

    FareTable fares(feed, routeIndex, request.ic);
    std::vector<int> section(n);
    if (request.ticketPerStop)
        std::iota(section.begin(), section.end(), 1);
    else
        section = fareSections(zones, fares);
    std::vector<std::size_t> firstStop; // of each section, so of each ticket number
    for (std::size_t r = 0; r < n; ++r) {
        if (r == 0 || section[r] != section[r - 1])
            firstStop.push_back(r);
    }
    out.tickets = static_cast<int>(firstStop.size());
    const bool board36 = request.board == 36 || (request.board != 12 && out.tickets > kTickets12);
    out.layout = board36 ? BoardLayout::Tickets36 : BoardLayout::Tickets12;
    const int shown = board36 ? kTickets36 : kTickets12;

    // In the row of a stop, a ticket issued in an earlier section shows the
    // fare from where it was issued to this stop. The ticket of the current
    // section shows the fare from the section's first stop to this one, or
    // at that first stop, where it is being issued, the fare to the next
    // stop: the least a rider boarding there pays. That cell is the
    // feed's least reliable (a zone to itself, a pair few rules list), so
    // nothing is said about it.
    FareNotes notes;
    out.records.resize(n);
    for (std::size_t r = 0; r < n; ++r) {
        Hy3File::Record& rec = out.records[r];
        rec.Chimei = stops[r].name;
        rec.SeiriNum = static_cast<std::int16_t>(section[r]);
        for (int t = 1; t <= std::min(section[r], shown); ++t) {
            const std::size_t issued = firstStop[static_cast<std::size_t>(t - 1)];
            const bool current = t == section[r];
            std::size_t to = r;
            if (current && r == issued) {
                if (r + 1 == n)
                    continue; // the terminus issues no ticket worth a fare
                to = r + 1;
            }
            const std::vector<int>& prices = fares.prices(zones[issued], zones[to]);
            std::optional<int> before;
            if (r > issued)
                before = out.records[r - 1].Fare[static_cast<std::size_t>(t - 1)];
            rec.Fare[static_cast<std::size_t>(t - 1)] = static_cast<std::int16_t>(cellFare(prices, before));
            if (!current)
                notes.pair(QStringLiteral("%1 → %2").arg(zoneLabel(feed, stops[issued]), zoneLabel(feed, stops[r])), prices);
        }
    }

    SpokenNames names(feed);
    for (std::size_t r = 1; r < n; ++r) {
        const QString spoken = names.spoken(stops[r]);
        const QString line = r + 1 == n ? QStringLiteral("次は、終点、%1です。").arg(spoken)
                                        : QStringLiteral("次は、%1です。").arg(spoken);
        out.tape.push_back({line, 1, 1});
    }

    if (!feed.missingFareFiles.isEmpty()) {
        out.warnings << QStringLiteral("%1 がないため、運賃はすべて -1 (運賃なし) にしました%2。")
                            .arg(feed.missingFareFiles.join(QStringLiteral(" と ")),
                                 request.ticketPerStop ? QString()
                                                       : QStringLiteral("。運賃で区間を分けられないため整理券番号はすべて 1 です "
                                                                        "(停留所ごとの番号は --ticket-per-stop)"));
    }
    if (!fares.unknownFares().isEmpty()) {
        out.warnings << noteLine(QStringLiteral("fare_rules.txt の fare_id のうち %1 が fare_attributes.txt にないため、"
                                                "その運賃は使いませんでした"),
                                 fares.unknownFares());
    }
    if (!fares.cashForIc().isEmpty()) {
        out.warnings << noteLine(QStringLiteral("ic_price が空の運賃が %1 あり、現金の運賃 (price) にしました"), fares.cashForIc());
    }
    if (!notes.uncovered.isEmpty()) {
        out.warnings << noteLine(QStringLiteral("運賃の決まらない区間が %1 組あり、-1 (運賃なし) にしました (乗車ゾーン → 降車ゾーン)"),
                                 notes.uncovered);
    }
    if (!notes.loops.isEmpty()) {
        out.warnings << noteLine(QStringLiteral("同じゾーンを 2 度通るため運賃が 2 つ以上ある区間が %1 組あり、"
                                                "運賃が途中で下がらないように選びました"),
                                 notes.loops);
    }
    if (out.tickets > shown) {
        out.warnings << QStringLiteral("整理券番号が 1～%1 まであります。運賃表示器に出るのは整理券 1～%2 の運賃だけです。")
                            .arg(out.tickets).arg(shown);
    }
    names.addNotes(out.warnings);
    out.warnings << feed.warnings;
    return out;
}

QByteArray tapeBytes(const std::vector<TapeCsv::Row>& rows)
{
    QString text;
    for (const TapeCsv::Row& row : rows)
        text += QStringLiteral("\"%1\",%2,%3\r\n").arg(row.strText).arg(row.nStep).arg(row.nFlag);
    return Cp932::encodeOrThrow(text);
}

} // namespace Gtfs
