#include "service/DemoData.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>

#include "service/Pictures.h"

namespace vqsvc {

namespace {

struct Org {
    int64_t id;
    const char* name;
};
constexpr Org kOrgs[] = {{1, "新街口营业部"}, {2, "河西营业部"}, {3, "江宁营业部"}};

struct Person {
    const char* login;
    const char* password;
    const char* name;
    UserType type;
    int64_t org;
    const char* orgList;
    bool reviewer;
    const char* role;
};
// Id order: the demo user is id 1, as the demo script and the README expect.
constexpr Person kPeople[] = {
    {"demo", "demo123", "王明", UserType::kStaff, 1, "1,2,3", false, "投资顾问（员工）"},
    {"liting", "liting123", "李婷", UserType::kStaff, 1, "1,2,3", true, "研究员，文章审核（员工）"},
    {"zhaolei", "zhaolei123", "赵磊", UserType::kStaff, 2, "2,3", false, "客户经理（员工）"},
    {"zhangwei", "zhangwei123", "张伟", UserType::kCustomer, 1, "", false, "客户，新街口营业部"},
    {"liuyang", "liuyang123", "刘洋", UserType::kCustomer, 1, "", false, "客户，新街口营业部"},
    {"chenjing", "chenjing123", "陈静", UserType::kCustomer, 1, "", false, "客户，新街口营业部"},
    {"yangfan", "yangfan123", "杨帆", UserType::kCustomer, 2, "", false, "客户，河西营业部"},
    {"huanglei", "huanglei123", "黄磊", UserType::kCustomer, 2, "", false, "客户，河西营业部"},
    {"zhoumin", "zhoumin123", "周敏", UserType::kCustomer, 2, "", false, "客户，河西营业部"},
    {"wuqiang", "wuqiang123", "吴强", UserType::kCustomer, 3, "", false, "客户，江宁营业部"},
    {"xuli", "xuli123", "徐丽", UserType::kCustomer, 3, "", false, "客户，江宁营业部"},
};

struct Menu {
    int64_t id;
    const char* name;
};
// Menu 4 is the commentary list of the home page, 9 the home page's first
// section and 16 the fortune classroom, as the client's requests name them.
constexpr Menu kMenus[] = {{9, "营业部公告"}, {4, "财经点评"}, {5, "市场研究"},
                           {6, "行业分析"},   {7, "投资策略"}, {16, "财富课堂"}};

struct Column {
    int64_t id;
    int64_t menu;
    const char* name;
};
constexpr int64_t kBoardColumn = 10;
constexpr Column kColumns[] = {
    {1, 4, "早盘点评"},     {2, 4, "收盘综述"},
    {3, 5, "宏观经济"},     {4, 5, "债券市场"},
    {5, 6, "金融地产"},     {6, 6, "科技医药"},
    {7, 7, "策略周报"},     {8, 7, "金股推荐"},
    {9, 9, "营业部动态"},   {kBoardColumn, 9, "我的留言"},
    {11, 16, "投资者教育"}, {12, 16, "基金理财"},
};

struct Stock {
    const char* code;
    const char* name;
    const char* sector;
};
constexpr Stock kStocks[] = {
    {"600036", "招商银行", "银行"},   {"601318", "中国平安", "保险"},
    {"600519", "贵州茅台", "白酒"},   {"000858", "五粮液", "白酒"},
    {"000333", "美的集团", "家电"},   {"600276", "恒瑞医药", "医药"},
    {"300750", "宁德时代", "新能源"}, {"002415", "海康威视", "安防电子"},
    {"601166", "兴业银行", "银行"},   {"000002", "万科A", "房地产"},
    {"600030", "中信证券", "券商"},   {"601012", "隆基绿能", "光伏"},
};

constexpr const char* kAuthors[] = {"李婷", "王明", "赵磊", "研究所 孙浩", "研究所 钱晓雯"};

constexpr const char* kIndexMoves[] = {"高开震荡", "低开高走", "窄幅整理", "放量上攻", "缩量回调"};
constexpr const char* kThemes[] = {"消费复苏",   "稳增长政策", "科技自主可控", "高股息资产",
                                   "新能源出海", "国企改革",   "医药创新",     "数字经济"};

// Title patterns per column; %1 stock name, %2 sector, %3 theme, %4 number, %5 index move.
constexpr const char* kTitlePatterns[][3] = {
    /* 1 */ {"早盘点评：沪指%5，%2板块领涨", "早盘提示：关注%3主线，%1值得跟踪",
             "早盘点评：北向资金净流入%4亿元，%2走强"},
    /* 2 */
    {"收盘综述：两市成交%4亿元，%1强势上涨", "收盘综述：%2板块午后发力，沪指%5",
     "收盘综述：%3方向活跃，市场情绪回暖"},
    /* 3 */
    {"宏观点评：%3有望延续，经济温和修复", "宏观周报：社融增速企稳，关注%3",
     "宏观点评：PMI回升至%4.%4，%3逻辑强化"},
    /* 4 */
    {"债市周报：资金面宽松，收益率震荡下行", "信用债观察：%2行业利差收窄",
     "债市点评：降准预期升温，利率债迎配置窗口"},
    /* 5 */
    {"%1点评：业绩稳健增长，维持推荐评级", "%2行业周报：估值处于低位，%3受益",
     "%1深度报告：零售转型成效显著"},
    /* 6 */
    {"%1点评：研发管线丰富，创新药进入收获期", "%2行业周报：%3带动需求回暖",
     "%1调研纪要：海外订单饱满，产能稳步释放"},
    /* 7 */
    {"策略周报：%3仍是中期主线", "策略周报：震荡市中把握%2结构性机会",
     "策略周报：风格切换临近，关注%3"},
    /* 8 */ {"本周金股：%1（%2）", "金股推荐：%1，%3核心受益标的", "月度金股组合：新进%1"},
    /* 9 */
    {"营业部动态：周六举办%3主题投资报告会", "关于交易系统升级的通知",
     "营业部动态：%2行业专家走进河西营业部"},
    /* 10 */ {"", "", ""},
    /* 11 */
    {"投资者教育：认识%2板块的周期特征", "投资者教育：如何阅读上市公司年报",
     "投资者教育：警惕非法荐股，保护账户安全"},
    /* 12 */
    {"基金理财：定投%3主题基金的三个要点", "基金理财：债券基金的风险与收益",
     "基金理财：年末资产配置建议"},
};

constexpr const char* kParagraphs[] = {
    "今日两市早盘%5，截至午间收盘，沪指报%4点，深成指同步上行。盘面上，%2板块表现活跃，"
    "%1领涨，市场成交较前一交易日温和放大。",
    "我们认为，在%3的背景下，市场风险偏好有望逐步修复。短期指数或以震荡为主，"
    "建议投资者控制仓位，以结构性机会为主，避免追涨杀跌。",
    "从基本面看，%1前三季度实现营业收入同比增长%4%，净利润保持稳健增长，"
    "资产质量持续改善，经营现金流充裕，估值处于历史较低分位。",
    "行业层面，%2板块近期景气度边际改善，龙头公司市场份额持续提升。"
    "随着%3的推进，行业有望迎来量价齐升。",
    "风险提示：宏观经济增速不及预期；政策落地节奏低于预期；海外市场波动加剧；"
    "个股业绩不达预期。本报告仅供参考，不构成投资建议。",
    "操作上，建议关注三条主线：一是受益于%3的优质龙头；二是高股息、低估值的%2板块；"
    "三是业绩确定性较强的消费与医药标的。",
};

std::string Replace(std::string text, const Stock& stock, const char* theme, int number,
                    const char* move) {
    auto sub = [&](const std::string& key, const std::string& value) {
        for (size_t pos = text.find(key); pos != std::string::npos;
             pos = text.find(key, pos + value.size())) {
            text.replace(pos, key.size(), value);
        }
    };
    sub("%1", stock.name);
    sub("%2", stock.sector);
    sub("%3", theme);
    sub("%4", std::to_string(number));
    sub("%5", move);
    return text;
}

bool Seed(ServiceStore& store, uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    const int64_t now = store.Now();

    for (const Org& o : kOrgs) {
        if (!store.AddOrganisation(o.name, o.id))
            return false;
    }
    int64_t id = 0;
    for (const Person& p : kPeople) {
        NewUser u;
        u.id = ++id;
        u.login = p.login;
        u.password = p.password;
        u.type = p.type;
        u.trueName = p.name;
        u.orgId = p.org;
        u.orgIdList = p.orgList;
        u.reviewer = p.reviewer;
        if (!store.AddUser(u))
            return false;
    }
    for (const Menu& m : kMenus) {
        if (!store.AddMenu({m.id, m.name, "", false}))
            return false;
    }
    for (const Column& c : kColumns) {
        if (!store.AddColumn(c.menu, c.name, c.id))
            return false;
    }

    // 150 articles over the last five weeks, oldest first so ids follow time.
    constexpr int kArticles = 150;
    constexpr int64_t kSpan = 35 * 24 * 3600;
    std::vector<int64_t> times;
    for (int i = 0; i < kArticles; ++i)
        times.push_back(now - kSpan + pick(kSpan - 3600));
    std::sort(times.begin(), times.end());
    std::vector<int64_t> articleIds;
    for (int i = 0; i < kArticles; ++i) {
        const Column* column;
        do {
            column = &kColumns[pick(std::size(kColumns))];
        } while (column->id == kBoardColumn);
        const Stock& stock = kStocks[pick(std::size(kStocks))];
        const Stock& other = kStocks[pick(std::size(kStocks))];
        const char* theme = kThemes[pick(std::size(kThemes))];
        const char* move = kIndexMoves[pick(std::size(kIndexMoves))];
        int number = 3000 + static_cast<int>(pick(600));
        std::string title = Replace(kTitlePatterns[column->id - 1][pick(3)], stock, theme,
                                    static_cast<int>(pick(90) + 10), move);
        std::string body;
        body += "<h2>" + title + "</h2>\n";
        size_t paragraphs = 3 + pick(3);
        for (size_t k = 0; k < paragraphs; ++k) {
            const Stock& s = k % 2 ? other : stock;
            int n = k == 0 ? number : static_cast<int>(pick(40) + 5);
            body += "<p>" +
                    Replace(kParagraphs[pick(std::size(kParagraphs) - 1)], s, theme, n, move) +
                    "</p>\n";
        }
        if (column->menu == 5 || column->menu == 6 || column->menu == 7) {
            body +=
                "<table border=\"1\" cellspacing=\"0\"><tr><th>代码</th><th>名称</th>"
                "<th>评级</th></tr><tr><td>" +
                std::string(stock.code) + "</td><td>" + stock.name +
                "</td><td>推荐</td></tr><tr><td>" + other.code + "</td><td>" + other.name +
                "</td><td>谨慎推荐</td></tr></table>\n";
        }
        body += "<p class=\"risk\">" + Replace(kParagraphs[4], stock, theme, 0, move) + "</p>\n";
        NewArticle a;
        a.title = title;
        a.html = body;
        a.author = kAuthors[pick(std::size(kAuthors))];
        a.columnId = column->id;
        a.insertTime = times[static_cast<size_t>(i)];
        a.recommended = pick(6) == 0;
        a.stockCodes = std::string(stock.code) + "," + other.code;
        auto added = store.AddArticle(a);
        if (!added)
            return false;
        articleIds.push_back(*added);
    }
    // One article waits for the reviewer.
    {
        NewArticle a;
        a.title = "金股推荐：" + std::string(kStocks[6].name) + "，新能源出海核心受益标的";
        a.html = DemoArticleHtml(a.title, "本文待审核，审核通过后向客户发布。");
        a.author = "研究所 孙浩";
        a.columnId = 8;
        a.insertTime = now - 600;
        a.needsReview = true;
        a.stockCodes = kStocks[6].code;
        if (!store.AddArticle(a))
            return false;
    }

    // Everyone has seen the news so far, except the demo user: three articles pop up.
    for (int64_t user = 1; user <= id; ++user)
        store.MarkAllArticlesSeen(user, user == 1 ? 3 : 0);

    store.AddFavourite(1, 1);
    store.AddFavourite(1, 7);
    store.AddFavourite(1, 8);
    store.AddFavourite(4, 5);
    store.AddFavourite(4, 12);

    // Unread chat messages waiting for the demo user, and some answered earlier.
    struct Chat {
        int64_t from, to;
        const char* text;
        int64_t ago;
        int state;
    };
    const Chat chats[] = {
        {4, 1, "王经理，您好！请问招商银行现在可以加仓吗？", 7200, 1},
        {1, 4, "张先生您好，目前估值偏低，可以分批建仓，注意控制仓位。", 7000, 1},
        {4, 1, "好的，谢谢！另外周六的报告会还有名额吗？", 1800, 0},
        {7, 1, "王经理，我的账户密码忘了，怎么重置？", 900, 0},
        {2, 1, "明天的策略周报初稿已经发到你邮箱，请看一下 /:)", 300, 0},
        {5, 2, "李老师，宁德时代的深度报告什么时候出？", 4000, 0},
    };
    for (const Chat& c : chats) {
        auto msg = store.AddChat(c.from, c.to, c.text, now - c.ago);
        if (!msg)
            return false;
        if (c.state)
            store.SetChatState(*msg, c.to, c.state);
    }

    // Board threads with replies.
    struct Post {
        int64_t user;
        int64_t org;
        const char* title;
        const char* text;
        std::vector<std::pair<int64_t, const char*>> replies;
    };
    const Post posts[] = {
        {4,
         1,
         "关于两融业务开通条件的咨询",
         "请问融资融券需要满足哪些条件？资产要求是多少？",
         {{1, "您好，需开户满半年、近20个交易日日均资产不低于50万元，并通过风险测评。"},
          {4, "明白了，谢谢！"}}},
        {7,
         2,
         "建议增加周末投资讲座",
         "希望营业部能多举办一些基金定投方面的讲座。",
         {{3, "感谢建议，下月起每月第二个周六举办基金理财讲座。"}}},
        {10, 3, "交易软件登录很慢", "最近早上开盘时登录交易软件很慢，是否有解决办法？", {}},
        {5,
         1,
         "新股申购额度怎么计算",
         "我的新股申购额度为什么是零？",
         {{1, "申购额度按T-2日前20个交易日持有市值计算，请保持一定市值。"}}},
    };
    int64_t postTime = now - 6 * 24 * 3600;
    for (const Post& p : posts) {
        auto thread = store.AddBoardMessage(-1, p.user, p.org, p.title, p.text, postTime);
        if (!thread)
            return false;
        for (const auto& [user, text] : p.replies) {
            postTime += 3 * 3600;
            if (!store.AddBoardMessage(*thread, user, p.org, "", text, postTime))
                return false;
        }
        postTime += 26 * 3600;
    }

    // The picture strip leads to recent articles; the service draws its pictures.
    for (int i = 0; i < kGeneratedPictureStyles; ++i) {
        int64_t article = articleIds[articleIds.size() - 1 - static_cast<size_t>(i) * 5];
        store.AddPicture({GeneratedPictureName(i + 1),
                          "http://portal.velquor/newslist.html?prdid=" + std::to_string(article)},
                         i);
    }
    return true;
}

}  // namespace

const std::vector<DemoAccount>& DemoAccounts() {
    static const std::vector<DemoAccount> accounts = [] {
        std::vector<DemoAccount> out;
        for (const Person& p : kPeople)
            out.push_back({p.login, p.password, p.name, p.role});
        return out;
    }();
    return accounts;
}

bool SeedDemoData(ServiceStore& store, uint32_t seed) {
    return store.InTransaction([&] { return Seed(store, seed); });
}

std::string DemoArticleHtml(const std::string& title, const std::string& paragraph) {
    return "<h2>" + title + "</h2>\n<p>" + paragraph + "</p>\n<p class=\"risk\">" +
           Replace(kParagraphs[4], kStocks[0], "", 0, "") + "</p>\n";
}

}  // namespace vqsvc
