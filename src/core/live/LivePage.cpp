// The live results page (see LivePage.h).
#include "live/LivePage.h"

#include "live/LiveText.h"

namespace caniparc {
namespace {

constexpr const char* kHead = R"(<!DOCTYPE html>
<html lang="de"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width,initial-scale=1">
<title>)";

constexpr const char* kStyle = R"(</title>
<style>
body{font-family:sans-serif;margin:0;padding:8px;background:#fff;color:#000;font-size:16px}
h1{font-size:1.3em;margin:0 0 2px}
p.sub{margin:0 0 8px;color:#444}
.lanes{display:flex;flex-wrap:wrap;gap:8px;margin-bottom:8px}
.lane{flex:1 1 150px;border:2px solid #333;border-radius:6px;padding:6px;background:#222;color:#ff0}
.lane[hidden]{display:none}
.lane .who{color:#fff;font-size:.9em;overflow-wrap:anywhere}
.lane .t{font-size:2.4em;font-family:monospace;text-align:right}
.lane .st{color:#ccc;font-size:.8em}
.best{margin:0 0 8px;font-weight:bold}
.wrap{overflow-x:auto}
table{border-collapse:collapse;font-size:.85em;width:100%}
th,td{border:1px solid #bbb;padding:2px 4px;text-align:right;white-space:nowrap}
th{background:#eee}
td.l{text-align:left;white-space:normal;overflow-wrap:break-word}
#con{font-size:.75em;color:#666;margin-top:6px}
</style></head><body>
)";

// Textual columns are left-aligned like the station's grid.
bool LeftAligned(const std::string& title, std::size_t index) {
    return (index >= 1 && index <= 4) || title == "Ges/Note";
}

void AppendLane(std::string& out, const LiveLane& lane, int number) {
    out += "<div class=\"lane\" id=\"b" + std::to_string(number) + "\"";
    out += lane.inUse ? ">" : " hidden>";
    out += "<div class=\"who\">Bahn " + std::to_string(number) + ": <span class=\"nr\">" +
           HtmlEscape(lane.startNumber) + "</span> <span class=\"dog\">" + HtmlEscape(lane.dog) +
           "</span> <span class=\"hf\">" + HtmlEscape(lane.handler) + "</span></div>";
    out += "<div class=\"t\">" + HtmlEscape(lane.disqualified ? "DIS" : lane.time) + "</div>";
    out += "<div class=\"st\">" + HtmlEscape(LaneStateText(lane.state)) + "</div></div>\n";
}

constexpr const char* kScript = R"(
(function(){
var ver=-1,ws=null,poll=null;
function txt(el,t){if(el.textContent!==t)el.textContent=t;}
function lanes(d){
 for(var i=0;i<d.bahnen.length;i++){
  var b=d.bahnen[i],el=document.getElementById('b'+b.bahn);if(!el)continue;
  el.hidden=!b.aktiv;
  txt(el.querySelector('.nr'),b.startNr);txt(el.querySelector('.dog'),b.hund);
  txt(el.querySelector('.hf'),b.hundefuehrer);txt(el.querySelector('.t'),b.dis?'DIS':b.zeit);
  txt(el.querySelector('.st'),b.zustand);
 }
 txt(document.getElementById('bz'),b2(d));
}
function b2(d){return d.bestzeit?('Bestzeit: '+d.bestzeit+(d.bestStartNr?' (Nr. '+d.bestStartNr+')':'')):'';}
function table(d){
 var st=document.getElementById('stand');if(st&&d.stand)txt(st,d.stand);
 var t=document.getElementById('prot'),h=t.tHead.rows[0],body=t.tBodies[0];
 while(h.cells.length)h.deleteCell(0);
 d.spalten.forEach(function(s){var c=document.createElement('th');c.textContent=s;h.appendChild(c);});
 var nb=document.createElement('tbody');
 d.zeilen.forEach(function(r){var tr=nb.insertRow();r.forEach(function(v,i){var c=tr.insertCell();
  if((i>=1&&i<=4)||d.spalten[i]==='Ges/Note')c.className='l';c.textContent=v;});});
 t.replaceChild(nb,body);
 txt(document.getElementById('ti'),d.titel);
 txt(document.getElementById('sub'),[d.ort,d.richter,d.kategorie].filter(function(x){return x;}).join(' \u00b7 '));
}
function apply(d){
 if(d.zeilen){table(d);lanes(d);ver=d.version;return;}
 if(d.version!==ver){get();return;}
 lanes(d);
}
function get(){
 var x=new XMLHttpRequest();x.open('GET',base+'/protokoll.json');
 x.onload=function(){if(x.status===200){try{apply(JSON.parse(x.responseText));}catch(e){}}};
 x.send();
}
function status(t){txt(document.getElementById('con'),t);}
function startPoll(){if(!poll)poll=setInterval(get,2000);}
function stopPoll(){if(poll){clearInterval(poll);poll=null;}}
function connect(){
 if(!sock||!window.WebSocket){startPoll();return;}
 try{ws=new WebSocket((location.protocol==='https:'?'wss://':'ws://')+location.host+base+'/live');}
 catch(e){startPoll();setTimeout(connect,5000);return;}
 ws.onopen=function(){stopPoll();status('Live verbunden');};
 ws.onmessage=function(m){try{apply(JSON.parse(m.data));}catch(e){}};
 ws.onclose=function(){ws=null;status('Live getrennt \u2013 Abfrage alle 2 Sekunden');startPoll();setTimeout(connect,5000);};
}
connect();
})();
</script>
)";

} // namespace

std::string LivePageHtml(const LiveState& state, const LivePageOptions& options) {
    std::string out = kHead;
    out += HtmlEscape(state.title);
    out += kStyle;
    if (!options.chooser.empty())
        out += "<p class=\"sub\"><a href=\"" + HtmlEscape(options.chooser) + "\">&larr; Alle Ringe</a></p>\n";
    out += "<h1 id=\"ti\">" + HtmlEscape(state.title) + "</h1>\n";
    std::string sub;
    for (const std::string* part : {&state.place, &state.judge, &state.category}) {
        if (part->empty())
            continue;
        if (!sub.empty())
            sub += " \u00b7 ";
        sub += HtmlEscape(*part);
    }
    out += "<p class=\"sub\" id=\"sub\">" + sub + "</p>\n<div class=\"lanes\">\n";
    for (std::size_t i = 0; i < state.lanes.size(); ++i)
        AppendLane(out, state.lanes[i], static_cast<int>(i) + 1);
    out += "</div>\n<p class=\"best\" id=\"bz\">";
    if (!state.bestTime.empty()) {
        out += "Bestzeit: " + HtmlEscape(state.bestTime);
        if (!state.bestStartNumber.empty())
            out += " (Nr. " + HtmlEscape(state.bestStartNumber) + ")";
    }
    out += "</p>\n<div class=\"wrap\"><table id=\"prot\"><thead><tr>";
    for (const std::string& title : state.columns)
        out += "<th>" + HtmlEscape(title) + "</th>";
    out += "</tr></thead><tbody>\n";
    for (const auto& row : state.rows) {
        out += "<tr>";
        for (std::size_t c = 0; c < row.size(); ++c) {
            const bool left = c < state.columns.size() && LeftAligned(state.columns[c], c);
            out += left ? "<td class=\"l\">" : "<td>";
            out += HtmlEscape(row[c]) + "</td>";
        }
        out += "</tr>\n";
    }
    out += "</tbody></table></div>\n<p id=\"con\"></p>\n";
    if (!state.stand.empty())
        out += "<p class=\"sub\" id=\"stand\">" + HtmlEscape(state.stand) + "</p>\n";
    out += "<script>\nvar base=\"" + JsonEscape(options.base) + "\",sock=" + (options.socket ? "true" : "false") + ";";
    out += kScript;
    out += "</body></html>\n";
    return out;
}

} // namespace caniparc
